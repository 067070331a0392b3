#include "app/QtRuntimeBindings.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

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

QString TitleFor(TMsgDlgType Type) {
    switch (Type) {
        case TMsgDlgType::mtWarning:
            return QStringLiteral("Warning");
        case TMsgDlgType::mtError:
            return QStringLiteral("Error");
        case TMsgDlgType::mtInformation:
            return QStringLiteral("Information");
        case TMsgDlgType::mtConfirmation:
            return QStringLiteral("Confirm");
    }
    return {};
}

void ShowModalBox(const std::string& Text, TMsgDlgType Type) {
    // The core's texts are single-byte.
    QMessageBox box(IconFor(Type), TitleFor(Type),
                    QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size())),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
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
    app.Ui().SetMessageBoxHook(&ShowModalBox);
    // Calls queued before the hook existed would otherwise wait for the next wake.
    if (app.PendingCount() > 0) PostDrain();
}

void UninstallQtRuntimeBindings() {
    auto& app = Application::Instance();
    app.SetWakeHook(nullptr);
    app.SetPumpHook(nullptr);
    app.Ui().SetMessageBoxHook(nullptr);
    app.Ui().SetProgressViewFactory(nullptr);
    // Anything still queued is served here, on the GUI thread, so no worker stays blocked.
    while (app.ServeOne()) {
    }
}

}  // namespace trimora
