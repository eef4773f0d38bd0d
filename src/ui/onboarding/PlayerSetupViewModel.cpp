#include "PlayerSetupViewModel.h"

#include "account/MacAccountStore.h"
#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "app/TextInput.h"
#include "session/PairingCode.h"

#include <QLocale>
#include <QPointer>
#include <QRegularExpression>

#include <algorithm>

namespace molvena {

namespace {

constexpr int kPinLength = 4;
constexpr int kSpendDigits = 8;

} // namespace

PlayerSetupViewModel::PlayerSetupViewModel(AppSession& session, const APIClient& api,
                                           DomainCountStore& domains, std::function<QDateTime()> now,
                                           QObject* parent)
    : QObject(parent), m_session(session), m_api(api), m_domains(domains), m_now(std::move(now)),
      m_pairing(PairingCode::draw()), m_lastDate(today()) {
    for (auto changed : {&PlayerSetupViewModel::stepChanged, &PlayerSetupViewModel::inputChanged,
                         &PlayerSetupViewModel::busyChanged}) {
        connect(this, changed, this, &PlayerSetupViewModel::canContinueChanged);
    }
}

QDate PlayerSetupViewModel::today() const {
    return m_now().toLocalTime().date();
}

QString PlayerSetupViewModel::dateButtonText() const {
    if (isLastDateToday()) {
        return QStringLiteral("Vælg dato");
    }
    return QLocale(QStringLiteral("da_DK")).toString(m_lastDate, QStringLiteral("d. MMMM yyyy"));
}

bool PlayerSetupViewModel::canContinue() const {
    if (m_busy) {
        return false;
    }
    if (m_step == 1) {
        return !m_name.trimmed().isEmpty() && m_email.contains(QLatin1Char('@')) &&
               textInput::visibleLength(m_pin) == kPinLength;
    }
    return !m_gamblingLocationType.isEmpty() && !m_selectedGameTypes.isEmpty() &&
           !m_monthlySpendText.isEmpty();
}

QStringList PlayerSetupViewModel::gameTypes() const {
    return {QStringLiteral("Poker"), QStringLiteral("Bingo"), QStringLiteral("Andet"),
            QStringLiteral("Sportsvæddemål"), QStringLiteral("Casino / spilleautomater")};
}

QVariantList PlayerSetupViewModel::locationOptions() const {
    const auto option = [](const char* raw, const QString& label, const char* icon) {
        return QVariantMap{{QStringLiteral("raw"), QString::fromLatin1(raw)},
                           {QStringLiteral("label"), label},
                           {QStringLiteral("icon"), QString::fromLatin1(icon)}};
    };
    return {option("online", QStringLiteral("Online"), "globe"),
            option("physical", QStringLiteral("Fysisk"), "building.2.fill"),
            option("both", QStringLiteral("Begge dele"), "arrow.triangle.2.circlepath")};
}

QString PlayerSetupViewModel::primaryLabel() const {
    if (m_step == 1) {
        return QStringLiteral("Fortsæt");
    }
    return m_busy ? QStringLiteral("Opretter…") : QStringLiteral("Fortsæt til beskyttelse");
}

void PlayerSetupViewModel::inputWasEdited() {
    emit inputChanged();
}

void PlayerSetupViewModel::setName(const QString& name) {
    if (name != m_name) {
        m_name = name;
        inputWasEdited();
    }
}

void PlayerSetupViewModel::setEmail(const QString& email) {
    if (email != m_email) {
        m_email = email;
        inputWasEdited();
    }
}

void PlayerSetupViewModel::setPin(const QString& pin) {
    const QString filtered = textInput::keepNumbers(pin, kPinLength);
    m_pin = filtered;
    // Always told, so a field that showed the unfiltered text takes the filtered one back.
    inputWasEdited();
}

void PlayerSetupViewModel::setMonthlySpendText(const QString& text) {
    m_monthlySpendText = textInput::keepNumbers(text, kSpendDigits);
    inputWasEdited();
}

void PlayerSetupViewModel::setStep(int step) {
    publish(*this, m_step, step, &PlayerSetupViewModel::stepChanged);
}

void PlayerSetupViewModel::setError(const QString& error) {
    publish(*this, m_error, error, &PlayerSetupViewModel::errorChanged);
}

void PlayerSetupViewModel::setBusy(bool busy) {
    publish(*this, m_busy, busy, &PlayerSetupViewModel::busyChanged);
}

void PlayerSetupViewModel::primaryAction() {
    if (!canContinue()) {
        return;
    }
    if (m_step == 1) {
        setError({});
        setStep(2);
        return;
    }
    startDetached(submit(), QStringLiteral("The player's account creation"));
}

void PlayerSetupViewModel::back() {
    if (m_step == 1) {
        m_session.resetSession();
        return;
    }
    setStep(1);
}

void PlayerSetupViewModel::previousStep() {
    setStep(1);
}

void PlayerSetupViewModel::recoverAccount() {
    m_session.beginRecovery(UserRole::player);
}

void PlayerSetupViewModel::selectLocation(const QString& rawValue) {
    if (rawValue != m_gamblingLocationType) {
        m_gamblingLocationType = rawValue;
        inputWasEdited();
    }
}

void PlayerSetupViewModel::toggleGameType(const QString& gameType) {
    if (!m_selectedGameTypes.removeOne(gameType)) {
        m_selectedGameTypes.append(gameType);
    }
    inputWasEdited();
}

void PlayerSetupViewModel::chooseToday() {
    pickDate(today());
    if (m_showDatePicker) {
        m_showDatePicker = false;
        emit showDatePickerChanged();
    }
}

void PlayerSetupViewModel::toggleDatePicker() {
    m_showDatePicker = !m_showDatePicker;
    emit showDatePickerChanged();
}

void PlayerSetupViewModel::pickDate(const QDate& date) {
    // A day in the future cannot be the last day of gambling.
    const QDate clamped = date.isValid() ? std::min(date, today()) : today();
    if (clamped != m_lastDate) {
        m_lastDate = clamped;
        emit lastDateChanged();
    }
}

QString PlayerSetupViewModel::joinedGameTypes() const {
    QStringList sorted = m_selectedGameTypes;
    std::sort(sorted.begin(), sorted.end());
    return sorted.join(QLatin1Char(','));
}

qint64 PlayerSetupViewModel::spendFromText(const QString& text) {
    static const QRegularExpression decimalInteger(QStringLiteral("^[+-]?[0-9]+$"));
    if (!decimalInteger.match(text).hasMatch()) {
        return 0;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 0;
}

QCoro::Task<> PlayerSetupViewModel::submit() {
    QPointer<PlayerSetupViewModel> self(this);
    setBusy(true);
    setError({});

    // What is sent is what was typed when the button was pressed.
    const QString code = PairingCode::digitsOnly(m_pairing);
    const QString name = m_name, email = m_email, pin = m_pin, location = m_gamblingLocationType;
    const QString types = joinedGameTypes();
    const qint64 spend = spendFromText(m_monthlySpendText);
    const QDateTime lastDate = m_lastDate.startOfDay();
    const QString deviceToken = m_session.deviceToken();

    try {
        co_await m_api.registerMacDevice(name, email, pin, code, deviceToken);
        if (!self) {
            co_return;
        }
        co_await m_api.savePlayerProfile(deviceToken, lastDate, location, types, spend);
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
    {
        PreferenceStore::Batch batch(m_session.preferences());
        m_session.setPlayerName(name);
        m_session.setPlayerEmail(email);
        m_session.setMasterPIN(pin);
        m_session.setPairingCode(code);
        m_session.setLastGamblingDate(double(lastDate.toSecsSinceEpoch()));
        m_session.setGamblingLocationType(location);
        m_session.setGamblingGameTypes(types);
        m_session.setMonthlySpendDKK(double(spend));
        m_session.completeSetup();
    }
    setBusy(false);
}

} // namespace molvena
