#pragma once
// What an import tells whoever watches it, and the one thing it asks back:
// whether the operator wants it stopped. The import window implements it;
// the batch mode and the tests use their own.

#include <QElapsedTimer>
#include <QString>

class ImportProgress {
public:
    virtual ~ImportProgress() = default;

    virtual void setRange(qint64 minimum, qint64 maximum) = 0;
    virtual void setValue(qint64 value) = 0;
    virtual void setLabel(const QString &text) = 0;
    // Lets pending window events run (repaint, the close box).
    virtual void processEvents() = 0;
    // True once the operator has confirmed stopping.
    virtual bool aborted() const = 0;
};

// Watches nothing and is never stopped.
class QuietProgress : public ImportProgress {
public:
    void setRange(qint64, qint64) override {}
    void setValue(qint64) override {}
    void setLabel(const QString &) override {}
    void processEvents() override {}
    bool aborted() const override { return false; }
};

// Hands the progress value on and lets events run at most every
// `intervalMs`. Yielding after every line would cost more than the import
// itself on a large file; the clock is only looked at every 64 lines.
class ProgressPacer {
public:
    explicit ProgressPacer(ImportProgress &progress, int intervalMs = 50)
        : progress_(progress), intervalMs_(intervalMs)
    {
        timer_.start();
    }

    void tick(qint64 value)
    {
        if ((++calls_ & 63) != 0)
            return;
        if (timer_.elapsed() < intervalMs_)
            return;
        yield(value);
    }

    // Shows `value` and lets events run now (at the start and end of a pass).
    void yield(qint64 value)
    {
        progress_.setValue(value);
        progress_.processEvents();
        timer_.restart();
    }

private:
    ImportProgress &progress_;
    int intervalMs_;
    quint32 calls_ = 0;
    QElapsedTimer timer_;
};
