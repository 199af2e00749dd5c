#pragma once

#include "core/net/Echo.h"

#include <QList>

// An echo that sends nothing: it records each request and answers with a preset result.
// Installed as the echo of EchoRequest for its lifetime.
class RecordingEcho : public Echo {
public:
    struct Request {
        uint32_t address;
        QByteArray payload;
        int timeoutMs;
    };

    explicit RecordingEcho(EchoResult answer = {}) : m_answer(std::move(answer)), m_previous(setEchoSeam(this)) {}
    ~RecordingEcho() override { setEchoSeam(m_previous); }
    RecordingEcho(const RecordingEcho &) = delete;
    RecordingEcho &operator=(const RecordingEcho &) = delete;

    EchoResult send(uint32_t address, const QByteArray &payload, int timeoutMs) override
    {
        m_requests.append({address, payload, timeoutMs});
        return m_answer;
    }

    const QList<Request> &requests() const { return m_requests; }

private:
    EchoResult m_answer;
    QList<Request> m_requests;
    Echo *m_previous;
};
