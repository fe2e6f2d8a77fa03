#include "ActionsTestSupport.h"

namespace actions_test {

const char kClockItemLine[] = "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n";
const char kProfileLines[] = "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\"\n"
                             "record 0x05080002 0 0x03020012=21 0x03010011=32\n"
                             "record 0x05080002 1 0x03010011=12\n";
const char kModeItemLine[] =
    "number 0x0B000001 0x8000 name=\"Engine Mode\" base=0 step=1 count=32769 accept=0,1,2,0x4000,0x8000\n";
const char kActiveProfileLine[] =
    "number 0x11060008 0 name=\"Active OC Profile\" base=0 step=1 count=5 accept=0,1,2,3,4\n";
const char kAutoSwitchOnLine[] = "switch 0x11070010 1 name=\"Engine Auto Mode\"\n";

std::string StandardFirmware() {
    return std::string(kClockItemLine) + kProfileLines + kModeItemLine + kActiveProfileLine + kAutoSwitchOnLine;
}

} // namespace actions_test
