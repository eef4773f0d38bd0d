#pragma once

#include "platform/WebProtectionInstaller.h"

#include <QString>
#include <QVariantMap>

namespace molvena {

// The web-protection sheet's words, the Mac's profile download and Linux's own step side by side,
// so a reader sees both and each keeps the same voice.
struct WebProtectionTexts {
    QString title; // while web protection is not active
    QString intro;
    QString confirmedText; // under "Webbeskyttelsen er bekræftet"
    QString step1Title, step1Text, step2Title, step2Text, step3Title, step3Text;
    QString hint;
    QString startLabel, startBusyLabel; // the step's first button
    QString confirmLabel;

    // The sheet's messages.
    QString startFailed;
    QString started;
    QString startedAgain;
    QString notYetActive;
    QString couldNotCheck;

    static WebProtectionTexts forMethod(WebProtectionInstaller::Method method);
    static WebProtectionTexts forMac();
    static WebProtectionTexts forLinux();

    // The texts QML lays out, by the field names above.
    QVariantMap forDisplay() const;

    // The Mac's: the profile was fetched, only the browser to open it failed.
    static QString browserRefusedDetail();
    static QString browserRefusedMessage();
    // Linux's only: the outcomes of asking the helper.
    static QString notApproved();
    static QString unsupportedSystem(const QString& helperSaid);
    static QString installFailed();
    static QString removeLabel();
    static QString removeBusyLabel();
    static QString removed();
    static QString removeNotApproved();
    static QString removeFailed();
};

} // namespace molvena
