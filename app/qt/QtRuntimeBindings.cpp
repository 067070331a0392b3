#include "app/qt/QtRuntimeBindings.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QSocketNotifier>
#include <map>
#include <memory>

#include "runtime/Application.h"

namespace trimora {

namespace {

void PostDrain() {
    // Safe from any thread: the call becomes an event posted to the application object, and
    // every event loop of the GUI thread (modal boxes and processEvents included) delivers it.
    QMetaObject::invokeMethod(qApp, &DrainOneHandOver, Qt::QueuedConnection);
}

QMessageBox::Icon IconFor(TMsgDlgType Type) {
    switch (Type) {
        case TMsgDlgType::mtWarning:
            return QMessageBox::Warning;
        case TMsgDlgType::mtError:
            return QMessageBox::Critical;
        case TMsgDlgType::mtInformation:
            return QMessageBox::Information;
        case TMsgDlgType::mtConfirmation:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

void ShowModalBox(const std::string& Text, TMsgDlgType Type) {
    // The core's texts are single-byte.
    QMessageBox box(IconFor(Type), QString::fromLatin1(MsgDlgCaption(Type)),
                    QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size())),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

// The runtime's descriptor watches as socket notifiers, so that Qt's loops (exec(), nested modal
// loops, processEvents()) wait for a port's input themselves.
class WatchNotifiers {
  public:
    using TWatchId = Application::TWatchId;

    ~WatchNotifiers() {
        for (auto& [id, notifier] : FNotifiers) delete notifier;
    }

    void Added(TWatchId Id, int Fd) {
        auto* notifier = new QSocketNotifier(static_cast<qintptr>(Fd), QSocketNotifier::Read);
        QObject::connect(notifier, &QSocketNotifier::activated,
                         [Id] { Application::Instance().ServeWatch(Id); });
        FNotifiers[Id] = notifier;
    }

    void Removed(TWatchId Id) {
        auto it = FNotifiers.find(Id);
        if (it == FNotifiers.end()) return;
        // It may be the notifier whose activation is running now.
        it->second->setEnabled(false);
        it->second->deleteLater();
        FNotifiers.erase(it);
    }

    void Activity(TWatchId Id, bool Active) {
        auto it = FNotifiers.find(Id);
        if (it != FNotifiers.end()) it->second->setEnabled(Active);
    }

  private:
    std::map<TWatchId, QSocketNotifier*> FNotifiers;
};

void InstallWatchNotifiers(Application& App) {
    auto notifiers = std::make_shared<WatchNotifiers>();
    Application::TWatchHooks hooks;
    hooks.Added = [notifiers](Application::TWatchId Id, int Fd) { notifiers->Added(Id, Fd); };
    hooks.Removed = [notifiers](Application::TWatchId Id) { notifiers->Removed(Id); };
    hooks.Activity = [notifiers](Application::TWatchId Id, bool Active) {
        notifiers->Activity(Id, Active);
    };
    App.SetWatchHooks(std::move(hooks));
}

}  // namespace

void DrainOneHandOver() {
    auto& app = Application::Instance();
    // One call per turn: a call may itself pump, and the calls behind it must get their turn
    // inside that pump. Their turn is posted before the call runs: under the GLib dispatcher a
    // nested loop delivers the events already queued only once something new has been posted.
    if (app.PendingCount() > 1) PostDrain();
    app.ServeOne();
    if (app.PendingCount() > 0) PostDrain();
}

void InstallQtRuntimeBindings() {
    auto& app = Application::Instance();
    app.SetGuiThread(std::this_thread::get_id());
    app.SetPumpHook([] { QCoreApplication::processEvents(); });
    app.SetWakeHook(&PostDrain);
    InstallWatchNotifiers(app);
    app.Ui().SetMessageBoxHook(&ShowModalBox);
    // Calls queued before the hook existed would otherwise wait for the next wake.
    if (app.PendingCount() > 0) PostDrain();
}

void UninstallQtRuntimeBindings() {
    auto& app = Application::Instance();
    app.SetWakeHook(nullptr);
    app.SetWatchHooks({});
    app.SetPumpHook(nullptr);
    app.Ui().SetMessageBoxHook(nullptr);
    app.Ui().SetProgressViewFactory(nullptr);
    // Anything still queued is served here, on the GUI thread, so no worker stays blocked.
    while (app.ServeOne()) {
    }
}

}  // namespace trimora
