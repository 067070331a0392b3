#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ConsoleTables.h"
#include "protocol/FrameCodec.h"
#include "protocol/ProtocolEvents.h"
#include "runtime/TComponent.h"
#include "runtime/TMemo.h"
#include "serial/ComTypes.h"

namespace trimora {

class TComPort;
class TComDataPacket;
struct TAsyncRecord;
class TDorvThreadTimer;
class TVelnProgressBar;
class TReceivedFrame;

// The link to the USB dongle and, through it, to the wireless consoles: decodes what the dongle
// sends, sends it commands, keeps the per-console tables and finds and holds the connection.
// Everything runs on the GUI thread; handlers of its events may re-enter it.
class TVelnWirelessProtocol : public TComponent {
  public:
    explicit TVelnWirelessProtocol(TComponent* AOwner);
    // Stops the refresh timer before anything else goes, then releases the framer and the
    // write record. A port made by the component goes with it as an owned component.
    ~TVelnWirelessProtocol() override;

    // ---- Properties
    bool Connected() const { return FConnected; }
    TComPort* Port() const { return FPort; }
    const std::string& PortDef() const { return FPortDef; }
    void SetPortDef(const std::string& Value) { FPortDef = Value; }
    // The trace pane: referenced, never owned.
    TMemo* DebugMemo() const { return FDebugMemo; }
    void SetDebugMemo(TMemo* Value) { FDebugMemo = Value; }
    // One line per received measure; saved to DebugHRDir after each one when that is set.
    TMemo* DebugHR() const { return FDebugHR; }
    void SetDebugHR(TMemo* Value) { FDebugHR = Value; }
    const std::string& DebugHRDir() const { return FDebugHRDir; }
    void SetDebugHRDir(const std::string& Value) { FDebugHRDir = Value; }
    // Prefix trace lines with the local time of day.
    bool DebugTime() const { return FDebugTime; }
    void SetDebugTime(bool Value) { FDebugTime = Value; }
    // Leave received measures and sent resistance tables out of the trace.
    bool DebugNoData() const { return FDebugNoData; }
    void SetDebugNoData(bool Value) { FDebugNoData = Value; }
    // Show the progress window while the dongle is searched for.
    bool DisplayMessage() const { return FDisplayMessage; }
    void SetDisplayMessage(bool Value) { FDisplayMessage = Value; }
    std::uint32_t ResistanceInterval() const { return FResistanceInterval; }
    // Stores the value and gives it to the refresh timer (a running timer starts a new period).
    void SetResistanceInterval(std::uint32_t Value);
    // Milliseconds of pumped waiting after the port is opened or closed.
    std::int32_t DisconDelayBetweenCloseOpenPort() const {
        return FDisconDelayBetweenCloseOpenPort;
    }
    void SetDisconDelayBetweenCloseOpenPort(std::int32_t Value) {
        FDisconDelayBetweenCloseOpenPort = Value;
    }
    // Search for the dongle again after a failed write.
    bool AutoConnection() const { return FAutoConnection; }
    void SetAutoConnection(bool Value) { FAutoConnection = Value; }
    // Console registration is open.
    bool Opened() const { return FOpened; }
    // Kept for owners that set it; the component itself never reads it.
    std::int32_t TimeToWaitAddNewConsole() const { return FTimeToWaitAddNewConsole; }
    void SetTimeToWaitAddNewConsole(std::int32_t Value) { FTimeToWaitAddNewConsole = Value; }
    // Longest wait, in milliseconds, for the dongle's reply to a number-of-consoles request.
    std::int32_t ReplyTimeOut() const { return FReplyTimeOut; }
    void SetReplyTimeOut(std::int32_t Value) { FReplyTimeOut = Value; }
    // The component's own measure table, indexed by console id.
    const TVelnWirelessConsoleMeasures& LastMeasure() const { return FLastMeasure; }

    // ---- Console tables and counters
    const TVelnConsolesInformation& ConsolesInfo() const { return FConsolesInfo; }
    const TVelnConsolesResistance& Resistances() const { return FResistances; }
    // Number of consoles as the dongle last reported it and as counted from its notices.
    std::int32_t ConsoleCount() const { return FConsoleCount; }
    // Number-of-consoles request: 0 never asked, 1 waiting for the reply, 2 reply arrived.
    std::uint8_t CountReplyState() const { return FCountReplyState; }

    // Stores Value, given as text, as item Item (0..14) of console Id's row, growing the table
    // to hold that row. Items above 14 store nothing.
    void SetConsoleInfo(std::uint8_t Id, std::uint8_t Item, const std::string& Value);

    static bool IsValidFrame(const std::string& F) { return ::trimora::IsValidFrame(F); }

    // ---- Inbound (InboundHandling.cpp)
    // The framer's packet handler: decodes one frame; anything that is not a valid frame is
    // dropped without a trace. F is read in place until the call returns, after the events it
    // raises: nothing may change it meanwhile.
    void PacketReceived(TObject* Sender, const std::string& F);

    // ---- Outbound (OutboundCommands.cpp)
    // Every command goes through SendFrame, which drops it while not connected; the effects on
    // Opened happen all the same.
    void OpenRegistration();
    void CloseRegistration();
    // 255 removes every console.
    void RemoveConsole(std::uint8_t Id);
    // Ids are sent as one byte: only the low 8 bits of Id go out.
    void RequestVersion(std::int32_t Id);
    void RequestSerial(std::int32_t Id);
    // Starts or stops the measure stream of every console.
    void SetMeasures(bool On);

    // Asks the dongle for its number of consoles and waits, processing messages, until the
    // reply has been handled or ReplyTimeOut has passed; returns the console count as it then
    // stands. Returns at once while not connected. Every read sends a new request.
    std::int32_t NumberOfConsole() { return GetNumberOfConsole(); }
    std::int32_t GetNumberOfConsole();

    // Resistance table. Kind 0 stores Level, 1 stores AltLevel, 2 stores Level and then
    // AltLevel. Console numbers start at 1; numbers above 254 do not fit the refresh frame and
    // are ignored. While no console is counted the table is emptied instead.
    void SetConsoleResistance(std::int32_t Console, std::uint8_t Level, std::uint8_t AltLevel,
                              std::uint8_t Kind);
    // The refresh timer's tick: raises OnBeforeSendResistance, then sends the whole table when
    // it is not empty and the component is connected.
    void SendResistances(TObject* Sender);
    void EnableResistanceTimer();
    void DisableResistanceTimer();
    const TDorvThreadTimer* ResistanceTimer() const { return FResistanceTimer.get(); }

    // What a sent frame is, for the trace: the resistance refresh is steady traffic, which
    // DebugNoData leaves out.
    enum class TSentFrameKind { Command, Refresh };
    // The single send path: traces Frame with Message, discards the port's pending output and
    // starts the write without waiting for it. A failure is traced and recovered from here;
    // nothing reaches the caller.
    void SendFrame(const std::string& Frame, const std::string& Message,
                   TSentFrameKind Kind = TSentFrameKind::Command);
    // After a failed write: closes the port, waits DisconDelayBetweenCloseOpenPort while
    // processing messages, tries the same port again when AutoConnection is set, and raises
    // OnDisconnection. The component is connected afterwards only when that attempt found the
    // dongle. A failure while a recovery runs starts no second one.
    void HandleWriteFailure();

    // ---- Connection (Connection.cpp)
    // Finds the dongle: first on the port as it is named (PortDef when set), then on every
    // port of ListSerialPorts in turn, showing the progress window when DisplayMessage is set
    // and reporting each step through OnConnectionStatus. True when the dongle answered.
    bool Connect();
    // Opens the port afresh (made first when there is none; closed first when open) and asks
    // for the dongle's version. True when the component is connected afterwards: the version
    // reply came from this opening and the port is still open. A port that opened but did not
    // answer stays open, not connected.
    bool TryPort();
    // The one way to try a port for the dongle: renames the port to Name, clears the consoles,
    // probes it with TryPort and closes it again when the dongle did not answer there. True
    // when found.
    bool TryDongleAt(const std::string& Name);
    // After a find: closes registration and, after a pause for the dongle to settle, removes
    // every console it still holds from before.
    void RemoveAllConsoles();
    // Makes a closed port with the dongle's line settings, owned by the component, and makes it
    // the component's port. False when a setting fails; the port then stays the component's.
    bool CreatePort();
    // Closes registration and removes every console while the port is open, closes it and
    // resets the component.
    void Disconnect();
    // Closes an open port and puts the component back into its initial state. The refresh
    // timer keeps its interval and its enabled state; the port, PortDef, AutoConnection,
    // DisplayMessage, the panes and the events stay.
    void ResetState();
    // The serial ports to search, in the order to try them: PortLister's when it is set, else
    // the machine's.
    std::vector<std::string> ListSerialPorts();
    std::function<std::vector<std::string>()> PortLister;

    // The given port becomes the component's port and reports its errors to PortError; its
    // settings stay as its owner made them. Writing none is ignored.
    virtual void SetPort(TComPort* Value);
    // The port's OnAfterOpen: the component is connected from here on.
    void PortAfterOpen(TObject* Sender);
    // The port's OnError: traced; a break means the dongle went away (OnUsbDisconnect). The
    // POSIX port ignores breaks, so there the hang-up (PortGone) is the only way this is told.
    void PortError(TObject* Sender, TComErrors Errors);
    // The port's OnDeviceGone: the dongle was unplugged. The port is closed at once, so that
    // the device can come back under its old name; a connected component raises
    // OnUsbDisconnect and OnDisconnection, once. Unlike a failed write nothing is waited for
    // unless AutoConnection asks for the same port to be tried again.
    void PortGone(TObject* Sender);
    // The packet framer that cuts the port's bytes into frames for PacketReceived.
    TComDataPacket* Packet() const { return FPacket.get(); }

  protected:
    // Forgets a port that goes away while the component still refers to it.
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // ---- Trace pane: every trace line goes through these.
    static constexpr std::string_view kReceivedMark = "<-";
    static constexpr std::string_view kSentMark = "->";

    bool TracePaneAttached() const { return FDebugMemo != nullptr; }
    // Appends Line as the pane's new last line; nothing happens while no pane is attached.
    void AddTraceLine(const std::string& Line);
    // The local time of day in the user's long time format while DebugTime is set, else empty.
    std::string TimePrefix() const;
    // Time prefix, Mark, the frame as hex text, then Description (which begins with a blank).
    std::string FrameTraceLine(std::string_view Mark, const std::string& Frame,
                               std::string_view Description) const;
    // FrameTraceLine appended to the pane; composed only while a pane is attached.
    void TraceFrame(std::string_view Mark, const std::string& Frame, std::string_view Description);

  private:
    // Not connected, registration closed, tables empty, no console counted, defaults restored.
    void InitState();
    // Forgets what the dongle told about itself and its consoles: the console information,
    // measure and resistance tables and the console count.
    void ClearConsoles();
    // Row Id of the console information table, grown to hold it first.
    TVelnConsoleInfoItem& ConsoleInfoRow(std::uint8_t Id);

    // ---- Inbound handlers, one per command code (InboundHandling.cpp)
    void MeasureReceived(const TReceivedFrame& F);
    void ConsoleCountReplyReceived(const TReceivedFrame& F);
    void NAckReceived(const TReceivedFrame& F);
    void AckReceived(const TReceivedFrame& F);
    void ConsoleAddReceived(const TReceivedFrame& F);
    void ConsoleRemoveReceived(const TReceivedFrame& F);
    void RegistrationReplyReceived(const TReceivedFrame& F);
    void SerialReplyReceived(const TReceivedFrame& F);
    void VersionReplyReceived(const TReceivedFrame& F);
    void FirmwareReplyReceived(const TReceivedFrame& F);
    void TotalRollsReplyReceived(const TReceivedFrame& F);
    void DataIdReportReceived(const TReceivedFrame& F);
    void UnknownMessageReceived(const TReceivedFrame& F);
    void LogHeartRate(std::uint8_t Id);

    // ---- Connection helpers (Connection.cpp)
    // The port's name; empty while there is no port.
    std::string PortName() const;
    // Hooks the framer to the port with the dongle's frame limits.
    void ConfigureFramer();
    // Opens the port and probes it for the dongle; any failure leaves the component not
    // connected.
    void ProbePort();
    // Renames the port. An open port reopens under the new name; when that fails the port is
    // left closed and the attempt on that name reports it.
    void RenamePort(const std::string& Name);
    void CloseOpenPort();
    void ReportStatus(const TVelnProgressBar& Bar, TVelnConnectionStatus Status,
                      const std::string& Name);
    // The second half of the search: the ports of the list, one attempt each, until one
    // answers. Found holds the result of the last attempt, also when an error ends the scan.
    void ScanPortList(TVelnProgressBar& Bar, bool& Found);

    // ---- Outbound helpers (OutboundCommands.cpp)
    void CreateResistanceTimer();
    // Closes the port, waits, tries it again with AutoConnection, raises OnDisconnection.
    void RecoverConnection();
    // Waits DisconDelayBetweenCloseOpenPort while processing messages, then tries the port
    // again when AutoConnection is set; failures meanwhile start no recovery of their own.
    void TryAgainAfterPause();
    void TraceWriteError();

    // ---- Fields, in the component's declared order. The events sit among them, as public
    // members.
    bool FConnected = false;
    bool FAutoConnection = false;
    std::int32_t FDisconDelayBetweenCloseOpenPort = 0;
    std::int32_t FTimeToWaitAddNewConsole = 0;
    TComPort* FPort = nullptr;
    std::string FPortDef;
    std::unique_ptr<TComDataPacket> FPacket;
    std::unique_ptr<TAsyncRecord> FWriteAsync;
    TMemo* FDebugMemo = nullptr;
    TMemo* FDebugHR = nullptr;
    std::string FDebugHRDir;
    bool FDebugTime = false;
    bool FDebugNoData = false;
    std::unique_ptr<TDorvThreadTimer> FResistanceTimer;
    std::uint32_t FResistanceInterval = 0;
    bool FOpened = false;
    bool FDisplayMessage = false;
    std::int32_t FReplyTimeOut = 0;
    TVelnWirelessConsoleMeasures FLastMeasure;
    TVelnConsolesResistance FResistances;
    std::int32_t FConsoleCount = 0;
    std::uint8_t FCountReplyState = 0;

  public:
    // ---- Events: called only when assigned, always on the GUI thread.
    TVelnProcedureEvent OnConnection;              // the port has been opened
    TVelnMeasureRecievedEvent OnMeasuresReceived;  // a measure frame was stored
    TVelnNAck OnNAck;                              // the dongle refused a command
    TVelnProcedureEvent OnAck;                     // the dongle acknowledged a command
    TVelnProcedureEvent OnDisconnection;           // after a failed write's recovery, or a loss
    TVelnIDProcedureEvent OnConsoleAdd;            // a console joined
    TVelnIDProcedureEvent OnConsoleRemove;         // a console left
    TVelnProcedureEvent OnBeforeSendResistance;    // every refresh tick, before the frame
    TVelnConnectionStatusEvet OnConnectionStatus;  // progress of the dongle search
    TVelnProcedureEvent OnUsbDisconnect;           // the device hung up (or a break, where seen)

  private:
    TVelnConsolesInformation FConsolesInfo;
    // Fresh opens of the port so far, and whether the dongle answered a version request since
    // the probe began: a probe's answer must come from its own opening.
    std::uint64_t FOpenings = 0;
    bool FDongleAnswered = false;
    // A recovery's pause or attempt runs: failures and losses inside it start no nested one.
    bool FRecovering = false;
};

}  // namespace trimora
