#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

// Switches the generator's threads read: measuring, and whether senders send.
struct RunControl {
    std::atomic<bool> recording = false;
    std::atomic<bool> sending = false;
};

// What the generator counts: latencies while measuring, errors from the end of the logins on.
struct RunMetrics {
    enum class Error { Timeout, Connection, Status, Reply };

    bool recording = false;
    std::vector<std::uint32_t> checkUs;
    std::vector<std::uint32_t> chatUs;
    std::int64_t timeouts = 0;
    std::int64_t connectionErrors = 0;
    std::int64_t badStatus = 0;
    std::int64_t badReplies = 0;
    std::int64_t skippedSlots = 0; // a slot came while the previous request was still out
    std::int64_t unexpectedLines = 0;
    QStringList samples;

    void addError(Error kind, const QString &text) {
        switch (kind) {
        case Error::Timeout:
            ++timeouts;
            break;
        case Error::Connection:
            ++connectionErrors;
            break;
        case Error::Status:
            ++badStatus;
            break;
        case Error::Reply:
            ++badReplies;
            break;
        }
        if (samples.size() < 10)
            samples.append(text);
    }

    void merge(const RunMetrics &other) {
        checkUs.insert(checkUs.end(), other.checkUs.begin(), other.checkUs.end());
        chatUs.insert(chatUs.end(), other.chatUs.begin(), other.chatUs.end());
        timeouts += other.timeouts;
        connectionErrors += other.connectionErrors;
        badStatus += other.badStatus;
        badReplies += other.badReplies;
        skippedSlots += other.skippedSlots;
        unexpectedLines += other.unexpectedLines;
        for (const QString &sample : other.samples) {
            if (samples.size() < 10)
                samples.append(sample);
        }
    }

    [[nodiscard]] std::int64_t errors() const { return timeouts + connectionErrors + badStatus + badReplies; }

    // The value below which the fraction q of the samples lie, in milliseconds.
    static double percentileMs(std::vector<std::uint32_t> samplesUs, double q) {
        if (samplesUs.empty())
            return 0;
        const auto at = static_cast<std::size_t>(q * static_cast<double>(samplesUs.size() - 1));
        std::nth_element(samplesUs.begin(), samplesUs.begin() + static_cast<std::ptrdiff_t>(at),
                         samplesUs.end());
        return samplesUs[at] / 1000.0;
    }
};
