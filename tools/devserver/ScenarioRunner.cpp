#include "tools/devserver/ScenarioRunner.h"

namespace devserver
{

ScenarioRunner::ScenarioRunner(std::shared_ptr<const Scenario> scenario, int conn, ScriptOutput& output, JsonLog& log)
    : m_scenario(std::move(scenario)), m_iConn(conn), m_output(output), m_log(log)
{
}

ScenarioRunner::~ScenarioRunner()
{
    Stop();
}

void ScenarioRunner::WakeUp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake.notify_all();
}

void ScenarioRunner::NoteReceived(int type)
{
    if (type < 0 || type > 255)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_received[static_cast<size_t>(type)];
    m_wake.notify_all();
}

template <typename Ready> bool ScenarioRunner::WaitUntil(Clock::time_point deadline, Ready ready)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_until(lock, deadline, [&] { return IsTerminating() || ready(); });
    return !IsTerminating() && ready();
}

int ScenarioRunner::Run()
{
    bool completed = RunSteps(m_scenario->steps);
    if (completed && !m_bClosed)
        completed = EndBatch();
    JsonLine line("script-end");
    line.Int("conn", m_iConn).Bool("completed", completed);
    m_log.Write(std::move(line));
    m_bFinished.store(true);
    return 0;
}

bool ScenarioRunner::RunSteps(const std::vector<Step>& steps)
{
    for (const Step& step : steps)
    {
        if (m_bClosed)
            return true;
        if (IsTerminating() || !RunStep(step))
            return false;
    }
    return true;
}

void ScenarioRunner::ScriptError(const Step& step, const std::string& reason)
{
    JsonLine line("script-error");
    line.Int("conn", m_iConn).Int("line", step.line).Str("command", step.text).Str("reason", reason);
    m_log.Write(std::move(line));
}

bool ScenarioRunner::RunStep(const Step& step)
{
    switch (step.kind)
    {
    case StepKind::Message:
        return SendMessage(step, step.bytes);
    case StepKind::Template:
        return step.source([&](std::string msg) { return !IsTerminating() && SendMessage(step, std::move(msg)); });
    case StepKind::Raw:
        return Emit(OutItem::Raw(step.bytes));
    case StepKind::FrameVersion:
        m_iFrameVersion = step.value;
        return true;
    case StepKind::Split:
        m_iSplitPieces = step.value;
        m_iSplitGapMs = step.extra;
        return true;
    case StepKind::Batch:
        if (!EndBatch())
            return false;
        m_iBatchLeft = step.value;
        return true;
    case StepKind::Wait:
        if (!EndBatch())
            return false;
        WaitUntil(Clock::now() + std::chrono::milliseconds(step.value), [] { return false; });
        return !IsTerminating();
    case StepKind::Expect:
    {
        if (!EndBatch())
            return false;
        const auto type = static_cast<size_t>(step.value);
        const bool arrived = WaitUntil(Clock::now() + std::chrono::milliseconds(step.extra),
                                       [&] { return m_received[type] > m_taken[type]; });
        if (IsTerminating())
            return false;
        if (arrived)
            ++m_taken[type];
        else
            ScriptError(step, "no message of type " + std::to_string(step.value) + " within " +
                                  std::to_string(step.extra) + " ms");
        return true;
    }
    case StepKind::Close:
        if (!EndBatch())
            return false;
        m_bClosed = true;
        return m_output.Submit(OutItem::Close("script"));
    case StepKind::Room:
        if (!EndBatch())
            return false;
        if (!m_output.Room(step.room))
            ScriptError(step, "the server runs no tables (--tables)");
        return !IsTerminating();
    case StepKind::Repeat:
        for (int i = 0; i < step.value; ++i)
        {
            if (!RunSteps(step.body))
                return false;
            if (m_bClosed)
                break;
        }
        return true;
    }
    return true;
}

bool ScenarioRunner::SendMessage(const Step& step, std::string msg)
{
    const int version = m_iFrameVersion < 0 ? Ostra::kFrameVersion : m_iFrameVersion;
    m_iFrameVersion = -1;
    OutItem item;
    if (!OutItem::Message(std::move(msg), item, static_cast<unsigned char>(version)))
    {
        // The parser keeps messages within a frame; this is only a guard.
        ScriptError(step, "the message does not fit a frame");
        return true;
    }
    return Emit(std::move(item));
}

bool ScenarioRunner::Emit(OutItem item)
{
    if (m_iBatchLeft == 0)
        return Write(std::move(item));
    m_batch.Append(std::move(item));
    if (--m_iBatchLeft > 0)
        return true;
    OutItem batch = std::move(m_batch);
    m_batch = OutItem();
    return Write(std::move(batch));
}

bool ScenarioRunner::EndBatch()
{
    if (m_iBatchLeft == 0)
        return true;
    m_iBatchLeft = 0;
    OutItem batch = std::move(m_batch);
    m_batch = OutItem();
    if (batch.units.empty())
        return true;
    return Write(std::move(batch));
}

bool ScenarioRunner::Write(OutItem item)
{
    item.pieces = m_iSplitPieces;
    item.gapMs = m_iSplitGapMs;
    m_iSplitPieces = 1;
    m_iSplitGapMs = 0;
    return m_output.Submit(std::move(item));
}

} // namespace devserver
