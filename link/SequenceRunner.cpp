#include "link/SequenceRunner.h"

SequenceRunner::SequenceRunner(QObject* owner) : QObject(owner) {}

SequenceRunner::~SequenceRunner()
{
    cancel();
}

void SequenceRunner::cancel()
{
    if (m_token)
        m_token->cancel();
}

DeviceOutcome SequenceRunner::busyOutcome()
{
    return DeviceOutcome::failed(DeviceFailure::Busy, DeviceStep::Check, QString(),
                                 QStringLiteral("another sequence owns the gauge's channel"));
}

void SequenceRunner::begin(std::shared_ptr<CancelToken> token)
{
    m_token = std::move(token);
    emit runningChanged(true);
}

void SequenceRunner::finish(const std::shared_ptr<CancelToken>& token)
{
    if (m_token != token)
        return;
    m_token.reset();
    emit runningChanged(false);
}
