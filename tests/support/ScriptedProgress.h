#pragma once
// A print progress that records what the run reports and presses cancel
// just before the pages named (counting from 1), so the question comes
// after those pages.

#include "slips/PrintProgress.h"

#include <set>
#include <utility>
#include <vector>

class ScriptedProgress : public PrintProgress {
public:
    explicit ScriptedProgress(std::set<int> pages = {}) : pages_(std::move(pages)) {}
    void runStarted() override { ++started; }
    void beforePage(int page, int row, int rows) override
    {
        seen.push_back({page, row, rows});
        if (pages_.count(page))
            requested_ = true;
    }
    bool stopRequested() const override { return requested_; }
    void clearStopRequest() override { requested_ = false; }
    void runEnded() override { ++ended; }

    struct Seen {
        int page, row, rows;
    };
    std::vector<Seen> seen;
    int started = 0;
    int ended = 0;

private:
    std::set<int> pages_;
    bool requested_ = false;
};

// The name the print tests know it by.
using CancelBeforePages = ScriptedProgress;
