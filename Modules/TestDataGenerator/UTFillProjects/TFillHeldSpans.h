#pragma once
#include "TRowLinks.h"

#include <string>
#include <vector>

class TFillProjects;

// The tables of a span fill in one transaction: their commit points wait, the keys that waited
// are set once the table they point at has its rows, and one commit ends them all. The tables
// report their counts only then; a refused commit, a failure or a stop inside the span leaves
// none of its rows, and every table of it reports its rows as lost.
class TFillHeldSpans {
public:
    explicit TFillHeldSpans(TFillProjects& projects);
    ~TFillHeldSpans();
    TFillHeldSpans(const TFillHeldSpans&) = delete;
    TFillHeldSpans& operator=(const TFillHeldSpans&) = delete;

    // The tables of a NOT NULL cycle are emptied in one transaction, its keys checked at the
    // commit, when none of its rows is left to point at.
    class TEmptying {
    public:
        explicit TEmptying(TFillProjects& projects);
        ~TEmptying();
        TEmptying(const TEmptying&) = delete;
        TEmptying& operator=(const TEmptying&) = delete;
        void Commit();

    private:
        TFillProjects& projects_;
        bool held_ = false;
    };

    void BeforeTable(int index);
    // Throws when the span's commit is refused.
    void AfterTable(int index);

private:
    void lose(const std::string& heading, const std::string& message);

    TFillProjects& projects_;
    std::vector<THeldSpan> spans_;
    const THeldSpan* open_ = nullptr;
    int current_ = -1; // the table being filled or filled last
};
