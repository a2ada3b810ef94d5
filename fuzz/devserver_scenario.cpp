// Any text as a scenario file of the devserver: the parser never reads past the text, a refusal
// names one of its lines, and an accepted scenario holds no more steps than lines, with every step
// on a line of the text, its numbers within the ranges of its command, and the messages it will
// send (its own bytes, or those of a template, the first few of them) each a whole game message
// that a frame can carry.
//
// Input: the whole input is the file's text.
#include "tools/devserver/Scenario.h"
#include "tools/devserver/Wire.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace
{

using namespace devserver;

// A failed check names its line, then ends the run as a finding.
void Check(bool ok, int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "check failed at %s:%d\n", __FILE__, line);
    std::abort();
}

// A whole game message: the header's length is the body's.
void CheckMessage(const std::string& msg)
{
    Check(HasMsgHeader(msg) && msg.size() <= static_cast<size_t>(kMaxFramedMsgLen));
    Check(static_cast<unsigned char>(msg[0]) == kMsgVersion);
    Check(ReadU32(msg, 4) == msg.size() - kMsgHeaderLen);
}

// Steps counted, repeats included.
size_t CheckSteps(const std::vector<Step>& steps, long lines, int depth)
{
    Check(depth <= kMaxRepeatDepth);
    size_t count = 0;
    int lastLine = 0;
    for (const Step& step : steps)
    {
        ++count;
        Check(step.line >= 1 && step.line <= lines && step.line > lastLine && !step.text.empty());
        lastLine = step.line;
        Check(step.kind == StepKind::Repeat || step.body.empty());
        switch (step.kind)
        {
        case StepKind::Message:
            // `sendmsg` sends its bytes as written, header or not; `send TYPE` builds a whole one.
            Check(step.bytes.size() <= static_cast<size_t>(kMaxFramedMsgLen));
            if (step.text.compare(0, 7, "sendmsg") != 0)
                CheckMessage(step.bytes);
            break;
        case StepKind::Template:
        {
            Check(static_cast<bool>(step.source));
            // A template may stand for a great many messages: the first few are enough.
            int taken = 0;
            step.source(
                [&](std::string msg)
                {
                    CheckMessage(msg);
                    return ++taken < 16;
                });
            break;
        }
        case StepKind::FrameVersion:
            Check(step.value >= 0 && step.value <= 255);
            break;
        case StepKind::Split:
            Check(step.value >= 1 && step.extra >= 0);
            break;
        case StepKind::Batch:
            Check(step.value >= 1);
            break;
        case StepKind::Wait:
            Check(step.value >= 0);
            break;
        case StepKind::Expect:
            Check(step.value >= 0 && step.value <= 255 && step.extra >= 0);
            break;
        case StepKind::Repeat:
            Check(step.value >= 0);
            count += CheckSteps(step.body, lines, depth + 1);
            break;
        case StepKind::Raw:
        case StepKind::Close:
        case StepKind::Room:
            break;
        }
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const long lines = std::count(text.begin(), text.end(), '\n') + 1;
    Scenario scenario;
    ScenarioError error;
    if (!ParseScenario(text, "fuzz.scenario", scenario, error))
    {
        Check(error.line >= 1 && error.line <= lines && !error.reason.empty() && scenario.steps.empty());
        return 0;
    }
    Check(scenario.name == "fuzz.scenario");
    Check(static_cast<long>(CheckSteps(scenario.steps, lines, 0)) <= lines);
    // The room steps are found wherever they stand.
    const Step* room = FindRoomStep(scenario.steps);
    Check(room == nullptr || room->kind == StepKind::Room);
    return 0;
}
