#include "PreferenceStore.h"

namespace molvena {

PreferenceStore::PreferenceStore(std::unique_ptr<QSettings> settings) : m_settings(std::move(settings)) {}

PreferenceStore::PreferenceStore(const QString& path)
    : PreferenceStore(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

bool PreferenceStore::contains(const QString& key) const {
    return m_settings->contains(key);
}

QString PreferenceStore::text(const QString& key, const QString& fallback) const {
    const QVariant value = m_settings->value(key);
    return value.isValid() && value.canConvert<QString>() ? value.toString() : fallback;
}

bool PreferenceStore::boolean(const QString& key, bool fallback) const {
    const QVariant value = m_settings->value(key);
    if (!value.isValid()) {
        return fallback;
    }
    // The INI backend hands every value back as text; anything but a clear flag reads as the default.
    const QString textForm = value.toString().trimmed().toLower();
    if (textForm == QLatin1String("true") || textForm == QLatin1String("1")) {
        return true;
    }
    if (textForm == QLatin1String("false") || textForm == QLatin1String("0")) {
        return false;
    }
    return fallback;
}

double PreferenceStore::real(const QString& key, double fallback) const {
    bool ok = false;
    const double value = m_settings->value(key).toDouble(&ok);
    return ok ? value : fallback;
}

qint64 PreferenceStore::integer(const QString& key, qint64 fallback) const {
    bool ok = false;
    const qint64 value = m_settings->value(key).toLongLong(&ok);
    return ok ? value : fallback;
}

void PreferenceStore::setValue(const QString& key, const QVariant& value) {
    m_settings->setValue(key, value);
    syncUnlessBatched();
}

void PreferenceStore::remove(const QString& key) {
    m_settings->remove(key);
    syncUnlessBatched();
}

void PreferenceStore::syncUnlessBatched() {
    if (m_openBatches == 0) {
        m_settings->sync();
    }
}

PreferenceStore::Batch::Batch(PreferenceStore& store) : m_store(store) {
    ++m_store.m_openBatches;
}

PreferenceStore::Batch::~Batch() {
    --m_store.m_openBatches;
    m_store.syncUnlessBatched();
}

} // namespace molvena
