#pragma once
// What a print run reports while it goes, and how it learns that the
// operator asked it to stop: the print window is one such view, the batch
// mode has none. The run calls these from its own thread, page by page.

class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    // The run begins: a window shows itself and forgets an old stop request.
    virtual void runStarted() {}
    // Before each page is filled. The window lets pending events run here,
    // which is how a click on its cancel button is seen during a run, and
    // shows how far the run is: `page` is the page about to be printed
    // (from 1), `row` the row being printed (from 1) of `rows`.
    virtual void beforePage(int page, int row, int rows) = 0;
    // The cancel button was clicked since the last clearStopRequest.
    virtual bool stopRequested() const = 0;
    // The operator answered that the run goes on after all.
    virtual void clearStopRequest() = 0;
    // The run has ended, completed, stopped or failed.
    virtual void runEnded() {}
};

// No window and no cancel button: the batch mode.
class NoStopProgress : public PrintProgress {
public:
    void beforePage(int, int, int) override {}
    bool stopRequested() const override { return false; }
    void clearStopRequest() override {}
};
