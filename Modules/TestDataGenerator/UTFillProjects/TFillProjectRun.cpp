#include "TFillBulkBatch.h"
#include "TFillErrorLog.h"
#include "TFillHeldSpans.h"
#include "TFillProject.h"
#include "TFillProjects.h"
#include "TFillRowBlock.h"
#include "TFillStructureEngine.h"
#include "TRowLinks.h"
#include "TRowOrders.h"
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/Random.h"
#include "base/SysUtils.h"

#include <chrono>
#include <climits>
#include <exception>
#include <optional>
#include <thread>

// The run of one table and of all tables.

namespace {

constexpr double SecsPerDay = 86400.0;
// Rows of one bulk batch at most: a refused batch goes again row by row.
constexpr int BulkBatchRows = 10000;
// Keeps the first estimates finite: no division by a zero elapsed time.
constexpr kvl::TDateTime ElapsedOffset = 0.000001;

// Only differences of readings are used, so a monotonic clock serves: it does not jump when
// the system time is set, and a fill may pass midnight.
kvl::TDateTime MonotonicDays() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count() / SecsPerDay;
}

std::string CountText(const char* before, int64_t count, const char* after) {
    return before + kvl::IntToStr(count) + after;
}

// One fill of one table: the counters and clock readings live here, the results go into the
// project's statistics.
class TTableFill {
public:
    explicit TTableFill(TFillProject& project)
        : project_(project), owner_(*project.FillProjects), engine_(*owner_.StructureEngine),
          stats_(project.Statistics) {}

    void Run() {
        owner_.doFillProgress(&project_, 0, 0, 0, 0, 0);
        ResetStatistics();
        if (!project_.validateProjectNoFill())
            throw kvl::Exception("Can't start filling without at least one field to fill.");
        WarnOfUnfilledNotNull();
        if (project_.DisableIndices)
            ChangeState("Deactivating indices...", "Error while deactivating indices:", [this] {
                engine_.IndicesStateChange(false, &project_);
            });
        if (project_.DisableTriggers)
            ChangeState("Deactivating triggers...", "Error while deactivating triggers:", [this] {
                engine_.TriggersStateChange(false, &project_);
            });
        stats_.IndicesDeactivated = static_cast<int32_t>(stats_.IndexStates.SwitchedOff().size());
        stats_.TriggersDeactivated = static_cast<int32_t>(stats_.TriggerStates.SwitchedOff().size());
        engine_.DoAdditionalActions(&project_, atBefore);

        std::exception_ptr failure;
        try {
            InsertPhase();
        } catch (...) {
            failure = std::current_exception();
        }
        Close();
        if (failure) {
            // What reached the database before the failure is what the user has got.
            stats_.RowsInserted = committed_;
            stats_.ErrorCount = errors_;
            stats_.RowsLost = lost_;
            std::rethrow_exception(failure);
        }
        Finish();
        // the table is closed and its state restored, but it did not get what the user asked for
        if (!refusal_.empty()) throw kvl::Exception(refusal_);
    }

private:
    kvl::TDateTime Clock() const { return owner_.RunClock ? owner_.RunClock() : MonotonicDays(); }
    void Task(const std::string& text) { owner_.doTaskUpdate(&project_, text); }

    void ResetStatistics() {
        stats_.RowsInserted = 0;
        stats_.ErrorCount = 0;
        stats_.InsertTime = 0;
        stats_.IndexRebuildTime = 0;
        stats_.IndicesDeactivated = 0;
        stats_.TriggersDeactivated = 0;
        stats_.RowsLost = 0;
        stats_.IndexStates.Clear();
        stats_.TriggerStates.Clear();
        kvl::TStringList& log = stats_.Log;
        log.Clear();
        const kvl::TDateTime now = kvl::Now();
        log.Add("Korvel - Test Data Generator - error-log");
        log.Add("Job started at " + kvl::DateToStr(now) + " " + kvl::TimeToStr(now));
        log.Add("for table: " + project_.TableName);
        log.Add("");
        log.Add("**************** Error Section ****************");
        log.Add("");
    }

    void WarnOfUnfilledNotNull() {
        if (project_.validateProjectNotNull() == -1) return;
        const std::string warning =
            "WARNING: At least one NOT NULL field is left unfilled for table \"" + project_.TableName + "\".";
        Task(warning);
        stats_.Log.Add(warning);
    }

    // A table whose indices or triggers keep their state still gets its rows.
    template <typename Change> void ChangeState(const char* task, const char* heading, Change change) {
        Task(task);
        try {
            change();
        } catch (const std::exception& e) {
            AddErrorEntry(stats_.Log, heading, e.what());
        }
    }

    void InsertPhase() {
        Task("Preparing insertion");
        links_ = std::make_unique<TRowLinks>(project_);
        links_->Prepare();
        project_.Prepare();
        ContinueFromTable();
        orders_ = std::make_unique<TRowOrders>(project_);
        orders_->Prepare();
        project_.SetSQLAndParamDatatypes();
        engine_.CreateParamMap(&project_);
        block_ = std::make_unique<TFillRowBlock>(engine_, project_);
        // made before the transaction: it may ask the server about the columns
        if (!owner_.InsertOnly && !owner_.TransactionHeld) bulk_ = engine_.NewBulkInsert(&project_);
        Task(CountText("Insertion started [", project_.Rows, " rows]"));
        start_ = Clock();
        engine_.StartTransaction();
        transactionOpen_ = true;
        if (bulk_) return BulkRows();
        for (int64_t row = 1; row <= project_.Rows; ++row) {
            if (project_.StopRequested) return;
            const int rowNumber = static_cast<int>(row);
            block_->BeforeRow(project_.Rows - row + 1);
            if (!links_->BeforeRow()) {
                stats_.Log.Add(kvl::Format("Filling ends after %d rows: %s", {inserted_, links_->EndNote()}));
                return;
            }
            orders_->BeforeRow();
            const int before = inserted_;
            InsertOne(rowNumber);
            if (inserted_ > before) links_->AfterRow();
            if ((rowNumber % 100 == 0 || errors_ % 10 == 0) && !ReportProgress(rowNumber)) {
                project_.StopRequested = true;
                return;
            }
            if (!CommitIfDue()) return;
        }
    }

    // A unique column's counter goes on after the highest number the table holds, and its drawn
    // texts avoid those the table holds, so that a second run adds rows instead of failing them
    // on values the first gave (or a trigger wrote).
    void ContinueFromTable() {
        for (auto& f : project_.GetFillFields()) {
            if (auto* t = dynamic_cast<TTextFillField*>(f.get()); t && t->DrawsUnique()) {
                std::vector<std::vector<std::string>> rows;
                engine_.GetRowsData(project_.TableName, project_.TableOwner, {t->ColumnName}, rows);
                std::vector<std::string> values;
                for (auto& row : rows)
                    values.push_back(std::move(row.front()));
                t->TakeGiven(values);
                continue;
            }
            auto* i = dynamic_cast<TIntegerFillField*>(f.get());
            if (!i || i->FillType != fillIncreasing || i->StaticValue <= 0 || !i->UniqueOnItsOwn()) continue;
            const std::optional<int64_t> top = engine_.HighestValue(&project_, i->ColumnName);
            if (!top || *top < i->Counter) continue;
            const int64_t next = *top + i->StaticValue;
            if (next <= INT32_MAX) i->Counter = static_cast<int32_t>(next);
        }
    }

    // Rows go in batches; a refused batch goes again row by row, so its failures are told
    // row by row and its good rows land. Batches end at the commit points of the row path.
    void BulkRows() {
        TFillBulkBatch batch(engine_, *block_, *bulk_);
        for (int64_t row = 1; row <= project_.Rows; ++row) {
            if (project_.StopRequested) break;
            const int rowNumber = static_cast<int>(row);
            block_->BeforeRow(project_.Rows - row + 1);
            if (!links_->BeforeRow()) {
                stats_.Log.Add(kvl::Format("Filling ends after %d rows: %s",
                                           {inserted_ + batch.Rows(), links_->EndNote()}));
                break;
            }
            orders_->BeforeRow();
            if (MakeRow(batch, rowNumber)) {
                // a self-reference may point at a row of the same batch: it goes in earlier
                links_->AfterRow();
                if (batch.Rows() >= BatchLimit() && !SendBatch(batch)) return;
            }
            if ((rowNumber % 100 == 0 || errors_ % 10 == 0) && !ReportProgress(rowNumber)) {
                project_.StopRequested = true;
                break;
            }
        }
        // the rows made before a stop are kept, as on the row path
        SendBatch(batch);
    }

    // A row whose values cannot be made fails alone, as on the row path.
    bool MakeRow(TFillBulkBatch& batch, int rowNumber) {
        try {
            batch.MakeRow(rowNumber);
        } catch (const std::exception& e) {
            AddErrorEntry(stats_.Log, kvl::Format("Error (row %d):", {rowNumber}), e.what());
            ++errors_;
            return false;
        }
        BatchStep(batch, [&batch] { batch.AddRow(); });
        return true;
    }

    // A lost server ends the table at the first row of the batch it took.
    template <typename Step> auto BatchStep(TFillBulkBatch& batch, Step step) -> decltype(step()) {
        try {
            return step();
        } catch (const kvl::EKVL_ConnectionLost& e) {
            AddErrorEntry(stats_.Log, kvl::Format("Error (row %d):", {batch.RowNumber(0)}), e.what());
            ++errors_;
            throw;
        }
    }

    int BatchLimit() const {
        const int perTransaction = project_.RowsPerTransaction;
        if (perTransaction <= 0) return BulkBatchRows;
        return std::min(BulkBatchRows, perTransaction - inserted_ % perTransaction);
    }

    // False when the server refused the commit that followed: the table ends there.
    bool SendBatch(TFillBulkBatch& batch) {
        if (batch.Rows() == 0) return true;
        const bool landed = BatchStep(batch, [&batch] { return batch.Send(); });
        if (landed) inserted_ += batch.Rows();
        for (int i = 0; !landed && i < batch.Rows(); ++i) {
            batch.BindRow(i);
            Attempt(batch.RowNumber(i), [this] { engine_.GetSQLClassInstance().Execute(); });
        }
        batch.Clear();
        return CommitIfDue();
    }

    void InsertOne(int rowNumber) {
        Attempt(rowNumber, [this] { engine_.InsertRow(*block_); });
    }

    template <typename Insert> void Attempt(int rowNumber, Insert insert) {
        try {
            insert();
        } catch (const kvl::EKVL_ConnectionLost& e) {
            // every further row would fail the same way: the table ends here
            AddErrorEntry(stats_.Log, kvl::Format("Error (row %d):", {rowNumber}), e.what());
            ++errors_;
            throw;
        } catch (const std::exception& e) {
            AddErrorEntry(stats_.Log, kvl::Format("Error (row %d):", {rowNumber}), e.what());
            ++errors_;
            return;
        }
        // lets the window's thread breathe during long loads
        if (inserted_ % 100 == 0) std::this_thread::yield();
        ++inserted_;
    }

    // Returns False when the run was called off while the event was being handled.
    bool ReportProgress(int rowNumber) {
        // without a listener the clock need not be read once per row
        if (!owner_.OnFillProgress) return owner_.FillingStarted;
        const kvl::TDateTime elapsed = Clock() - start_ + ElapsedOffset;
        const kvl::TDateTime needed = elapsed / rowNumber * project_.Rows - elapsed;
        const double rate = inserted_ / (elapsed * SecsPerDay);
        const int rowsPerSec = rate >= INT_MAX ? INT_MAX : static_cast<int>(rate);
        owner_.doFillProgress(&project_, rowNumber, errors_, rowsPerSec, elapsed, needed);
        return owner_.FillingStarted;
    }

    // Tested after every attempt, so a failed row just after a commit point commits again.
    // False when the server refused the commit: the table ends there.
    bool CommitIfDue() {
        const int perTransaction = project_.RowsPerTransaction;
        if (perTransaction <= 0 || inserted_ == 0 || inserted_ % perTransaction != 0) return true;
        if (owner_.TransactionHeld) return true; // the cycle's one commit comes after its tables
        Task(CountText("Committing data [", inserted_, " rows inserted]"));
        transactionOpen_ = false;
        if (!Commit()) return false;
        if (!bulk_) engine_.StartTransaction();
        transactionOpen_ = true;
        return true;
    }

    // A refused commit takes the rows of its transaction along: they are logged as lost and
    // never counted, whether the server said no or went away.
    bool Commit() {
        const int pending = inserted_ - committed_;
        try {
            // a bulk load folds the next transaction's start into its commit
            if (bulk_)
                bulk_->CommitAndBegin();
            else
                engine_.CommitTransaction();
        } catch (const std::exception& e) {
            const std::string heading = kvl::Format("Error while committing (%d rows lost):", {pending});
            AddErrorEntry(stats_.Log, heading, e.what());
            lost_ += pending;
            if (refusal_.empty()) refusal_ = heading + " " + CleanServerMessage(e.what());
            return false;
        }
        committed_ = inserted_;
        return true;
    }

    // Runs after every insert phase, also a failed one; nothing here may hide that failure.
    void Close() {
        // after a failed commit point there is no transaction left whose rows this would keep
        const bool open = transactionOpen_;
        transactionOpen_ = false;
        bulk_.reset();
        if (open) {
            Commit();
        } else {
            try {
                engine_.CommitTransaction();
            } catch (...) {
            }
        }
        Task("Unpreparing...");
        try {
            engine_.DoAdditionalActions(&project_, atAfter);
        } catch (...) {
        }
        try {
            engine_.UnprepareInsert(&project_);
        } catch (...) {
        }
        links_.reset();
        if (project_.StopRequested) owner_.doFillFinished(&project_);
    }

    void Finish() {
        Task(CountText("Finished filling [", committed_, " rows inserted]"));
        stats_.InsertTime = Clock() - start_;
        stats_.RowsInserted = committed_;
        stats_.ErrorCount = errors_;
        stats_.RowsLost = lost_;
        // a stopped table keeps indices and triggers off: the user wanted it to end now
        if (project_.StopRequested) return;
        if (project_.DisableIndices)
            ChangeState("Reactivating indices...", "Error while reactivating indices:", [this] {
                engine_.IndicesStateChange(true, &project_);
            });
        stats_.IndexRebuildTime = Clock() - start_ - stats_.InsertTime;
        if (project_.StopRequested) return;
        if (project_.DisableTriggers)
            ChangeState("Reactivating triggers...", "Error while reactivating triggers:", [this] {
                engine_.TriggersStateChange(true, &project_);
            });
        AppendSummary();
        if (!refusal_.empty()) return; // the run reports the table as failed, not as done
        Task("All done!");
        // a held table's rows are in the database only once its cycle commits
        if (!owner_.TransactionHeld) owner_.doFillFinished(&project_);
    }

    void AppendSummary() {
        kvl::TStringList& log = stats_.Log;
        log.Add("");
        log.Add("************* End of Error Section ************");
        log.Add("");
        log.Add("Time needed for insertion: " + kvl::FormatDateTime("hh:nn:ss", stats_.InsertTime));
        log.Add(kvl::Format("Rows inserted: %d", {stats_.RowsInserted}));
        log.Add(kvl::Format("Errors encountered: %d", {stats_.ErrorCount}));
        if (stats_.RowsLost > 0) log.Add(kvl::Format("Rows lost at a refused commit: %d", {stats_.RowsLost}));
        if (stats_.IndicesDeactivated > 0) {
            log.Add("Indices deactivated:");
            AddNames(stats_.IndexStates.SwitchedOff());
            log.Add("");
            log.Add("Time needed for rebuilding these: " + kvl::TimeToStr(stats_.IndexRebuildTime));
            AddReactivation("Indices", stats_.IndexStates);
        } else {
            log.Add("No indices were deactivated");
        }
        log.Add("");
        if (stats_.TriggersDeactivated > 0) {
            log.Add("Triggers deactivated:");
            AddNames(stats_.TriggerStates.SwitchedOff());
            AddReactivation("Triggers", stats_.TriggerStates);
        } else {
            log.Add("");
        }
    }

    void AddNames(const std::vector<std::string>& names) {
        for (const auto& name : names)
            stats_.Log.Add(name);
    }

    // How many came back on, and by name what the server still has switched off.
    void AddReactivation(const std::string& what, const TStateChanges& states) {
        const int32_t off = static_cast<int32_t>(states.SwitchedOff().size());
        stats_.Log.Add(kvl::Format("%s reactivated: %d of %d", {what, states.Reactivated(), off}));
        const std::vector<std::string> left = states.LeftOff();
        if (left.empty()) return;
        stats_.Log.Add(what + " left deactivated:");
        AddNames(left);
    }

    TFillProject& project_;
    TFillProjects& owner_;
    TFillStructureEngine& engine_;
    TFillStatistics& stats_;
    std::unique_ptr<TRowLinks> links_;
    std::unique_ptr<TRowOrders> orders_;
    std::unique_ptr<TFillRowBlock> block_;
    std::unique_ptr<kvl::TKVL_BulkInsert> bulk_;
    int inserted_ = 0;
    int committed_ = 0;   // inserted rows whose transaction has been committed
    int lost_ = 0;        // inserted rows whose commit the server refused
    std::string refusal_; // what the first refused commit said; the table fails with it
    bool transactionOpen_ = false;
    int errors_ = 0;
    kvl::TDateTime start_ = 0;
};

// Children before parents when the list is in foreign-key order: all emptying happens before
// the first row goes in.
void EmptyTables(TFillProjects& projects) {
    ClearKeysBeforeEmptying(projects);
    TFillHeldSpans::TEmptying held(projects);
    for (int i = projects.GetProjectCount() - 1; i >= 0; --i) {
        TFillProject* p = projects.getFillProject(i);
        if (!p->EmptyFirst || !p->doFill) continue;
        projects.doTaskUpdate(p, "Emptying table...");
        projects.StructureEngine->EmptyTable(p);
    }
    held.Commit();
}

void FillTables(TFillProjects& projects) {
    TFillHeldSpans held(projects);
    for (int i = 0; i < projects.GetProjectCount(); ++i) {
        TFillProject* p = projects.getFillProject(i);
        if (!p->doFill) continue;
        held.BeforeTable(i);
        try {
            projects.doInitTableFill(p, p->TableName, "Preparing", i + 1, p->Rows);
            p->StartInsert();
        } catch (const std::exception& e) {
            throw kvl::Exception("Error during project: " + p->TableName + "\n\r" + e.what());
        }
        if (!projects.FillingStarted || projects.StopRequested) return;
        held.AfterTable(i);
    }
}

} // namespace

void TFillProject::Prepare() {
    for (auto& f : GetFillFields()) {
        try {
            f->prepareInsert();
        } catch (const std::exception& e) {
            throw kvl::Exception(
                kvl::Format("Error during \"prepare\" of column \"%s\": %s", {f->ColumnName, e.what()}));
        }
    }
}

void TFillProject::Unprepare() {
    for (auto& f : GetFillFields())
        f->unprepareInsert();
}

void TFillProject::StopInsert() {
    StopRequested = true;
}

void TFillProject::StartInsert() {
    if (!FillProjects || !FillProjects->StructureEngine) throw kvl::Exception("No structure engine");
    TTableFill(*this).Run();
}

void TFillProjects::startInsert() {
    if (!StructureEngine) throw kvl::Exception("No structure engine");
    StopRequested = false;
    for (TFillProject* p : Projects)
        p->StopRequested = false;
    RunRandom.Seed(RandomSeed ? *RandomSeed : kvl::ClockSeed());
    const kvl::TRandomScope randomScope(RunRandom);
    std::exception_ptr failure;
    try {
        StructureEngine->Connect();
        FillingStarted = true;
        EmptyTables(*this);
        FillTables(*this);
        SetWaitingKeys(*this);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        StructureEngine->Disconnect();
    } catch (...) {
    }
    FillingStarted = false;
    StopRequested = false;
    if (failure) std::rethrow_exception(failure);
}

void TFillProjects::stopInsert() {
    StopRequested = true;
    for (TFillProject* p : Projects)
        p->StopInsert();
}
