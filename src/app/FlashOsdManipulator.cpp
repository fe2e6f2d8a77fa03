#include "app/FlashOsdManipulator.h"

// The display drivers arrive with the on-screen display; until then every
// operation leaves the screen as it is.

FlashOsdManipulator& FlashOsdManipulator::Instance() {
    static FlashOsdManipulator* const instance = new FlashOsdManipulator();
    return *instance;
}
void FlashOsdManipulator::Initialize() {}
void FlashOsdManipulator::PlaceStatusWindow() {}
void FlashOsdManipulator::PrepareShow() {}
void FlashOsdManipulator::FadeOut() {}

FlashClass0Manipulator& FlashClass0Manipulator::Instance() {
    static FlashClass0Manipulator* const instance = new FlashClass0Manipulator();
    return *instance;
}
void FlashClass0Manipulator::ShowProfileOn(const char*) {}
void FlashClass0Manipulator::ShowProfileOff(const char*) {}
void FlashClass0Manipulator::ShowKelvoAuto(const char*) {}
void FlashClass0Manipulator::ShowWarning(const char*, const char*, DWORD) {}

FlashClass1Manipulator& FlashClass1Manipulator::Instance() {
    static FlashClass1Manipulator* const instance = new FlashClass1Manipulator();
    return *instance;
}
void FlashClass1Manipulator::ShowLevel(LONG) {}
void FlashClass1Manipulator::ChangeLevel(LONG) {}
void FlashClass1Manipulator::Finish() {}
void FlashClass1Manipulator::Reset() { level_ = -1; }

FlashClass2Manipulator& FlashClass2Manipulator::Instance() {
    static FlashClass2Manipulator* const instance = new FlashClass2Manipulator();
    return *instance;
}
void FlashClass2Manipulator::Reset() {}
void FlashClass2Manipulator::ShowValue(LONG) {}
void FlashClass2Manipulator::ChangeValue(LONG) {}
void FlashClass2Manipulator::StartIdleTimer() {}
void FlashClass2Manipulator::Finish() {}
