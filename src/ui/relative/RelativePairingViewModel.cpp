#include "RelativePairingViewModel.h"

#include "account/MacAccountStore.h"
#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "app/TextInput.h"

#include <QPointer>

namespace molvena {

namespace {

constexpr int kCodeLength = 6;

} // namespace

RelativePairingViewModel::RelativePairingViewModel(AppSession& session, const APIClient& api,
                                                   DomainCountStore& domains, QObject* parent)
    : QObject(parent), m_session(session), m_api(api), m_domains(domains) {
    for (auto changed : {&RelativePairingViewModel::inputChanged, &RelativePairingViewModel::busyChanged}) {
        connect(this, changed, this, &RelativePairingViewModel::canSubmitChanged);
    }
}

bool RelativePairingViewModel::canSubmit() const {
    return !m_busy && textInput::visibleLength(textInput::keepNumbers(m_code, kCodeLength)) == kCodeLength &&
           m_email.contains(QLatin1Char('@'));
}

void RelativePairingViewModel::setCode(const QString& code) {
    m_code = textInput::groupedSixDigitCode(code);
    // Always told, so a field that showed the unfiltered text takes the filtered one back.
    emit inputChanged();
}

void RelativePairingViewModel::setEmail(const QString& email) {
    publish(*this, m_email, email, &RelativePairingViewModel::inputChanged);
}

void RelativePairingViewModel::setError(const QString& error) {
    publish(*this, m_error, error, &RelativePairingViewModel::errorChanged);
}

void RelativePairingViewModel::setBusy(bool busy) {
    publish(*this, m_busy, busy, &RelativePairingViewModel::busyChanged);
}

void RelativePairingViewModel::submit() {
    if (canSubmit()) {
        startDetached(pair(), QStringLiteral("The relative's pairing"));
    }
}

void RelativePairingViewModel::back() {
    m_session.resetSession();
}

void RelativePairingViewModel::recoverAccount() {
    m_session.beginRecovery(UserRole::relative);
}

QCoro::Task<> RelativePairingViewModel::pair() {
    QPointer<RelativePairingViewModel> self(this);
    setBusy(true);
    setError({});
    const QString digits = textInput::keepNumbers(m_code, kCodeLength);

    PairingResult result;
    try {
        result = co_await m_api.pairRelative(digits, m_email);
    } catch (...) {
        if (self) {
            setError(MacAccountStore::userMessage(std::current_exception()));
            setBusy(false);
        }
        co_return;
    }
    if (!self) {
        co_return;
    }
    if (result.success.value_or(false)) {
        m_session.setRelativePairingToken(result.pairingToken.value_or(digits));
        m_session.completeSetup();
    } else {
        const bool hasReason = result.error && !result.error->isEmpty();
        setError(hasReason ? *result.error : QStringLiteral("Ugyldig kode"));
    }
    // The completed setup may already have replaced this screen.
    if (self) {
        setBusy(false);
    }
}

} // namespace molvena
