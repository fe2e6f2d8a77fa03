#include "app/ServiceMessages.h"

namespace {

bool MarkInLowByte(WPARAM wParam) { return (wParam & 0xFF) == kSuiteMark; }

} // namespace

ServiceAction ClassifyServiceMessage(UINT msg, WPARAM wParam) {
    switch (msg) {
    case kServiceQuit:
        return MarkInLowByte(wParam) ? ServiceAction::Quit : ServiceAction::NotAccepted;
    case kServiceNotice1:
    case kServiceNotice2:
    case kServiceNotice3:
        return MarkInLowByte(wParam) ? ServiceAction::Consume : ServiceAction::NotAccepted;
    case kServiceForeground:
        return MarkInLowByte(wParam) ? ServiceAction::Foreground : ServiceAction::NotAccepted;
    case kServiceRemoteKey:
        return wParam == kSuiteMark ? ServiceAction::RemoteKey : ServiceAction::NotAccepted;
    default: // 1028, 1029, 1031 and everything else
        return ServiceAction::NotAccepted;
    }
}
