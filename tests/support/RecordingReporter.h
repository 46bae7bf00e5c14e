#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "common/infra/Reporter.h"

// Records what a run tells its user; questions are answered from a queue (No when empty).
class RecordingReporter : public Reporter {
public:
    struct Message {
        enum Kind { Information, Error, Confirm } kind;
        QString hint;
        int delay = 0;
    };

    std::vector<Message> messages;
    std::vector<TEventEntry> events;
    std::vector<bool> answers; // next answers to questions, front first

    void Information(const QString& hint, int delaySeconds) override
    {
        messages.push_back({Message::Information, hint, delaySeconds});
    }
    void Error(const QString& hint, int delaySeconds) override
    {
        messages.push_back({Message::Error, hint, delaySeconds});
    }
    bool Confirm(const QString& hint) override
    {
        messages.push_back({Message::Confirm, hint, 0});
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    void Event(const TEventEntry& entry) override { events.push_back(entry); }

    void Clear()
    {
        messages.clear();
        events.clear();
    }
    // The hints of all messages, in order.
    QStringList Hints() const
    {
        QStringList hints;
        for (const Message& m : messages)
            hints << m.hint;
        return hints;
    }
    // The identifiers of all events, in order.
    std::vector<uint32_t> EventIds() const
    {
        std::vector<uint32_t> ids;
        for (const TEventEntry& e : events)
            ids.push_back(e.id);
        return ids;
    }
};
