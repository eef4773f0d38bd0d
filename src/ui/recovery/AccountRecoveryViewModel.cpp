#include "AccountRecoveryViewModel.h"

#include "account/MacAccountStore.h"

#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "app/TextInput.h"

#include <QPointer>

namespace molvena {

namespace {

constexpr int kCodeLength = 6;

} // namespace

AccountRecoveryViewModel::AccountRecoveryViewModel(AppSession& session, const APIClient& api,
                                                   UserRole initialRole, QObject* parent)
    : QObject(parent), m_session(session), m_api(api),
      m_selectedRole(initialRole == UserRole::relative ? UserRole::relative : UserRole::player) {
    for (auto changed : {&AccountRecoveryViewModel::inputChanged, &AccountRecoveryViewModel::busyChanged}) {
        connect(this, changed, this, &AccountRecoveryViewModel::enabledChanged);
    }
}

QString AccountRecoveryViewModel::failureMessage() {
    return QStringLiteral("Koden kunne ikke bekræftes. Prøv igen eller bed om en ny kode.");
}

bool AccountRecoveryViewModel::canSend() const {
    return !m_busy && m_email.contains(QLatin1Char('@'));
}

bool AccountRecoveryViewModel::canVerify() const {
    return !m_busy && textInput::visibleLength(textInput::keepNumbers(m_code, kCodeLength)) == kCodeLength;
}

void AccountRecoveryViewModel::setEmail(const QString& email) {
    publish(*this, m_email, email, &AccountRecoveryViewModel::inputChanged);
}

void AccountRecoveryViewModel::setCode(const QString& code) {
    m_code = textInput::groupedSixDigitCode(code);
    // Always told, so a field that showed the unfiltered text takes the filtered one back.
    emit inputChanged();
}

void AccountRecoveryViewModel::setSelectedRole(UserRole role) {
    publish(*this, m_selectedRole, role, &AccountRecoveryViewModel::selectedRoleChanged);
}

void AccountRecoveryViewModel::setStep(int step) {
    publish(*this, m_step, step, &AccountRecoveryViewModel::stepChanged);
}

void AccountRecoveryViewModel::setBusy(bool busy) {
    publish(*this, m_busy, busy, &AccountRecoveryViewModel::busyChanged);
}

void AccountRecoveryViewModel::setErrorMessage(const QString& message) {
    publish(*this, m_errorMessage, message, &AccountRecoveryViewModel::errorMessageChanged);
}

void AccountRecoveryViewModel::beginAction() {
    setBusy(true);
    setErrorMessage({});
}

void AccountRecoveryViewModel::sendCode() {
    if (canSend()) {
        startDetached(requestCode(), QStringLiteral("The recovery code request"));
    }
}

void AccountRecoveryViewModel::verifyCode() {
    if (canVerify()) {
        startDetached(confirmCode(), QStringLiteral("The recovery code check"));
    }
}

void AccountRecoveryViewModel::requestNewCode() {
    setStep(1);
    setCode({});
    setErrorMessage({});
}

void AccountRecoveryViewModel::back() {
    m_session.setShowRecovery(false);
}

QCoro::Task<> AccountRecoveryViewModel::requestCode() {
    QPointer<AccountRecoveryViewModel> self(this);
    beginAction();
    QString failure;
    try {
        // The server answers alike whether or not the address has an account, so only a refused or
        // unreachable request fails here, and then no code is on its way.
        co_await m_api.requestRecoveryCode(m_email, m_selectedRole);
    } catch (...) {
        failure = MacAccountStore::userMessage(std::current_exception());
    }
    if (!self) {
        co_return;
    }
    setBusy(false);
    if (failure.isEmpty()) {
        setStep(2);
    } else {
        setErrorMessage(failure);
    }
}

QCoro::Task<> AccountRecoveryViewModel::confirmCode() {
    QPointer<AccountRecoveryViewModel> self(this);
    beginAction();
    const UserRole role = m_selectedRole;
    RecoveryResult result;
    try {
        result = co_await m_api.verifyRecoveryCode(m_email, role, textInput::keepNumbers(m_code, kCodeLength),
                                                   m_session.deviceToken());
    } catch (...) {
        if (self) {
            setBusy(false);
            setErrorMessage(failureMessage());
        }
        co_return;
    }
    if (self) {
        // The session lowers the recovery flag and the routing moves on; this screen goes with it.
        m_session.applyRecovery(result, role);
    }
}

} // namespace molvena
