#pragma once

#include <QString>

#include <concepts>

namespace molvena {

// The process-wide diagnostic hook. In the shipped configuration it is compiled out: the message
// builder is never called, so a log line costs nothing and can never fail. A development build
// configured with -DMOLVENA_DEBUG_LOG=ON writes every line to standard error.
class DebugLog {
public:
#ifdef MOLVENA_DEBUG_LOG_ENABLED
    static constexpr bool isEnabled = true;
#else
    static constexpr bool isEnabled = false;
#endif

    static void write(const QString& category, const QString& message);
};

template <std::invocable MessageBuilder> void debugLog(const char* category, MessageBuilder&& buildMessage) {
    if constexpr (DebugLog::isEnabled) {
        DebugLog::write(QString::fromUtf8(category), QString(buildMessage()));
    }
}

} // namespace molvena
