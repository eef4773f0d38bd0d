#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>

namespace molvena::test {

// How a coroutine ended: its value, or the exception it threw, or neither when it did not end in time.
template <typename T> struct TaskOutcome {
    bool finished = false;
    std::optional<T> value;
    std::exception_ptr error;
};

template <> struct TaskOutcome<void> {
    bool finished = false;
    std::exception_ptr error;
};

namespace detail {

template <typename T> struct TaskRun {
    TaskOutcome<T> outcome;
    QPointer<QEventLoop> loop;
};

template <typename T> QCoro::Task<> captureOutcome(QCoro::Task<T> task, std::shared_ptr<TaskRun<T>> run) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
        } else {
            run->outcome.value = co_await std::move(task);
        }
    } catch (...) {
        run->outcome.error = std::current_exception();
    }
    run->outcome.finished = true;
    if (run->loop) {
        run->loop->quit();
    }
}

} // namespace detail

// Runs a coroutine on a nested event loop until it ends or `timeoutMs` has passed. Never throws: a thrown
// exception is captured in the outcome (unlike QCoro::waitFor, which would hang on one).
template <typename T> TaskOutcome<T> runTask(QCoro::Task<T> task, int timeoutMs = 15000) {
    auto run = std::make_shared<detail::TaskRun<T>>();
    QEventLoop loop;
    run->loop = &loop;
    detail::captureOutcome(std::move(task), run);
    if (!run->outcome.finished) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    run->loop = nullptr;
    return run->outcome;
}

// The captured exception as an `Error` subtype, or nothing when there is none or it is another type.
template <typename Error> std::optional<Error> errorAs(const std::exception_ptr& error) {
    if (!error) {
        return std::nullopt;
    }
    try {
        std::rethrow_exception(error);
    } catch (const Error& matching) {
        return matching;
    } catch (...) {
        return std::nullopt;
    }
}

// The captured exception's what(), for test messages.
inline QByteArray describe(const std::exception_ptr& error) {
    if (!error) {
        return "no error";
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return "a non-standard exception";
    }
}

// Runs a coroutine that must end without an error and returns its value; otherwise the test fails
// (and an exception ends it, as nothing could follow).
template <typename T> T completed(QCoro::Task<T> task, int timeoutMs = 10000) {
    TaskOutcome<T> outcome = runTask(std::move(task), timeoutMs);
    if (!outcome.finished || outcome.error) {
        QTest::qFail(outcome.finished ? describe(outcome.error).constData() : "did not finish", __FILE__,
                     __LINE__);
        throw std::runtime_error("operation failed");
    }
    if constexpr (!std::is_void_v<T>) {
        return std::move(*outcome.value);
    }
}

} // namespace molvena::test
