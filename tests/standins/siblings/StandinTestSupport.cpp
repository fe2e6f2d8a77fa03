#include "StandinTestSupport.h"

namespace standin_test {

const char kDatabase[] =
    "# Firmware of the stand-in tests\n"
    "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n"
    "number 0x03020012 0 name=\"CPU Voltage\" base=1100 step=5 count=61 extra=\"Auto\"\n"
    "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\"\n"
    "record 0x05080002 0 0x03020012=21 0x03010011=32\n"
    "record 0x05080002 1 0x03010011=12\n"
    "number 0x0B000001 0x8000 name=\"Engine Mode\" base=0 step=1 count=32769 accept=0,1,2,0x4000,0x8000\n"
    "number 0x11060008 0 name=\"Active OC Profile\" base=0 step=1 count=5 accept=0,1,2,4\n"
    "switch 0x11070010 1 name=\"Engine Auto Mode\"\n";

} // namespace standin_test
