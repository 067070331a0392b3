#include "protocol/WirelessProtocol.h"

#include <charconv>

#include "protocol/FrameCodec.h"
#include "runtime/Application.h"
#include "runtime/LocaleText.h"
#include "serial/AsyncRecord.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "support/DorvThdTimer.h"

namespace trimora {

namespace {

// A whole decimal integer with an optional sign that fits 32 bits; anything else reads as 0.
// Our own callers only pass numbers they formatted; 0 is the safe value for an owner's bad text.
std::int32_t DecimalOrZero(const std::string& Text) {
    const char* first = Text.data();
    const char* last = first + Text.size();
    if (first != last && *first == '+') ++first;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last ? value : 0;
}

std::uint8_t LowByte(const std::string& Text) {
    return static_cast<std::uint8_t>(DecimalOrZero(Text));
}

bool IsTrueText(const std::string& Text) {
    return Text == "true";
}

}  // namespace

TVelnWirelessProtocol::TVelnWirelessProtocol(TComponent* AOwner) : TComponent(AOwner) {
    // The communication objects have no owner; the component holds them for its whole life.
    // The framer stays unconfigured and unattached until a port is tried.
    FPacket = std::make_unique<TComDataPacket>(nullptr);
    InitAsyncRecord(FWriteAsync);
    CreateResistanceTimer();
    FCountReplyState = 0;
    InitState();
}

TVelnWirelessProtocol::~TVelnWirelessProtocol() {
    Destroying();
    // A tick may be waiting to run SendResistances: the timer goes while everything is intact.
    FResistanceTimer.reset();
    if (FPort != nullptr) {
        // A port that outlives the component, or is closed by the component base later, must
        // not call back into a component whose members are gone.
        FPort->OnAfterOpen = nullptr;
        FPort->OnError = nullptr;
        FPort->OnDeviceGone = nullptr;
    }
    FPacket.reset();
    FWriteAsync.reset();
}

void TVelnWirelessProtocol::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent != nullptr && AComponent == FPort)
        FPort = nullptr;
}

void TVelnWirelessProtocol::ClearConsoles() {
    FLastMeasure.Items.clear();
    FResistances.clear();
    FConsolesInfo.clear();
    FConsoleCount = 0;
}

void TVelnWirelessProtocol::InitState() {
    FConnected = false;
    ClearConsoles();
    FOpened = false;
    FDisconDelayBetweenCloseOpenPort = 300;
    // Only the stored value: the refresh timer's interval changes when the property is written.
    FResistanceInterval = 1000;
    FReplyTimeOut = 15000;
    FTimeToWaitAddNewConsole = 30000;
    FDebugTime = false;
    FDebugNoData = false;
}

TVelnConsoleInfoItem& TVelnWirelessProtocol::ConsoleInfoRow(std::uint8_t Id) {
    if (FConsolesInfo.size() < static_cast<std::size_t>(Id) + 1) FConsolesInfo.resize(Id + 1u);
    return FConsolesInfo[Id];
}

void TVelnWirelessProtocol::SetConsoleInfo(std::uint8_t Id, std::uint8_t Item,
                                           const std::string& Value) {
    TVelnConsoleInfoItem& row = ConsoleInfoRow(Id);
    const TFormatSettings& fmt = Application::Instance().FormatSettings();
    switch (Item) {
        case 0:
            row.ConsoleId = LowByte(Value);
            break;
        case 1:
            row.Version = LowByte(Value);
            break;
        case 2:
            row.SerialNumber = DecimalOrZero(Value);
            break;
        case 3:
            row.Present = IsTrueText(Value);
            break;
        case 4:
            row.TotalRolls = DecimalOrZero(Value);
            break;
        case 5:
            row.SecondFlag = IsTrueText(Value);
            break;
        case 6:
            row.FirmwareMajor = LowByte(Value);
            break;
        case 7:
            row.FirmwareMinor = LowByte(Value);
            break;
        case 8: {
            // A text that is not a date in the user's short date format stores 0.
            TDateTime date = 0;
            row.ItemDate = TryTextToDate(Value, fmt, date) ? date : 0;
            break;
        }
        case 9:
            row.ItemInteger = DecimalOrZero(Value);
            break;
        case 10: {
            // A text that is not a number with the user's decimal separator stores 0.
            long double number = 0;
            row.ItemFloat = TryTextToFloat(Value, fmt, number) ? number : 0;
            break;
        }
        case 11:
            row.ItemByte11 = LowByte(Value);
            break;
        case 12:
            row.ItemByte12 = LowByte(Value);
            break;
        case 13:
            row.ItemByte13 = LowByte(Value);
            break;
        case 14:
            row.ItemByte14 = LowByte(Value);
            break;
        default:
            break;  // unknown items store nothing; the row exists all the same
    }
}

void TVelnWirelessProtocol::AddTraceLine(const std::string& Line) {
    if (FDebugMemo != nullptr) FDebugMemo->Add(Line);
}

std::string TVelnWirelessProtocol::TimePrefix() const {
    return FDebugTime ? TimeToText(Application::Instance().FormatSettings()) : std::string();
}

std::string TVelnWirelessProtocol::FrameTraceLine(std::string_view Mark, const std::string& Frame,
                                                  std::string_view Description) const {
    std::string line = TimePrefix();
    line += Mark;
    line += BytesToHex(Frame);
    line += Description;
    return line;
}

void TVelnWirelessProtocol::TraceFrame(std::string_view Mark, const std::string& Frame,
                                       std::string_view Description) {
    if (TracePaneAttached()) AddTraceLine(FrameTraceLine(Mark, Frame, Description));
}

}  // namespace trimora
