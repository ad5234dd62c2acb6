#include "link/DeviceOutcome.h"

#include "link/GaugeReply.h"

bool DeviceOutcome::endsSession() const
{
    return failure == DeviceFailure::LinkLost || failure == DeviceFailure::Cancelled ||
           failure == DeviceFailure::NotConnected;
}

bool DeviceOutcome::gaugeTouched() const
{
    switch (step) {
    case DeviceStep::Remove:
    case DeviceStep::Create:
    case DeviceStep::Write:
    case DeviceStep::Close:
    case DeviceStep::Verify:
        return failure != DeviceFailure::Declined && failure != DeviceFailure::InvalidData;
    default:
        return false;
    }
}

DeviceOutcome DeviceOutcome::success(DeviceStep step)
{
    DeviceOutcome o;
    o.step = step;
    return o;
}

DeviceOutcome DeviceOutcome::failed(DeviceFailure failure, DeviceStep step, const QString& command,
                                    const QString& detail)
{
    DeviceOutcome o;
    o.failure = failure;
    o.step = step;
    o.command = command;
    o.detail = detail;
    return o;
}

DeviceOutcome DeviceOutcome::fromWait(WaitResult wait, DeviceStep step, const QString& command)
{
    switch (wait) {
    case WaitResult::Done:
        return success(step);
    case WaitResult::TimedOut:
        return failed(DeviceFailure::NoReply, step, command, QStringLiteral("no reply in time"));
    case WaitResult::LinkLost:
        return failed(DeviceFailure::LinkLost, step, command, QStringLiteral("link lost"));
    case WaitResult::Cancelled:
        return failed(DeviceFailure::Cancelled, step, command, QStringLiteral("cancelled"));
    case WaitResult::Garbled:
        return failed(DeviceFailure::Garbled, step, command, QStringLiteral("garbled reply"));
    }
    return failed(DeviceFailure::NoReply, step, command, QStringLiteral("no reply"));
}

namespace
{
const char* failureName(DeviceFailure failure)
{
    switch (failure) {
    case DeviceFailure::None:
        return "ok";
    case DeviceFailure::NotConnected:
        return "no gauge connected";
    case DeviceFailure::NoReply:
        return "no reply";
    case DeviceFailure::LinkLost:
        return "link lost";
    case DeviceFailure::Cancelled:
        return "cancelled";
    case DeviceFailure::GaugeError:
    case DeviceFailure::Garbled:
        return "gauge error";
    case DeviceFailure::DecodeFailed:
        return "decode failure";
    case DeviceFailure::InvalidData:
        return "invalid data";
    case DeviceFailure::Declined:
        return "declined";
    case DeviceFailure::FileError:
        return "file error";
    case DeviceFailure::VerifyMismatch:
        return "verify failed";
    case DeviceFailure::Busy:
        return "busy";
    }
    return "?";
}
} // namespace

QString describeOutcome(const DeviceOutcome& o)
{
    QString text = QString::fromLatin1(failureName(o.failure));
    if (!o.command.isEmpty())
        text += QStringLiteral(" (") + commandKeyword(o.command) + QLatin1Char(')');
    if (!o.detail.isEmpty())
        text += QStringLiteral(": ") + o.detail;
    if (o.fileLeftOpen)
        text += QStringLiteral("; the device file may still be open");
    return text;
}
