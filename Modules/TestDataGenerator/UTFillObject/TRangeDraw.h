#pragma once
#include <algorithm>
#include <utility>
#include <vector>

// Random values from ranges with gaps between them: a draw falls in each range in proportion
// to its width, so the values spread as evenly over the ranges as over one range.
class TRangeDraw {
public:
    using TRange = std::pair<double, double>;

    // Each range counts to - from + extra wide: 1 where both ends are taken whole (whole
    // numbers, whole days), 0 for real numbers. Ranges of no width are left out.
    void Prepare(const std::vector<TRange>& ranges, double extra) {
        ranges_.clear();
        ends_.clear();
        double total = 0;
        for (const TRange& r : ranges) {
            const double width = r.second - r.first + extra;
            if (!(width > 0)) continue;
            total += width;
            ranges_.push_back(r);
            ends_.push_back(total);
        }
    }
    void Clear() {
        ranges_.clear();
        ends_.clear();
    }
    bool Empty() const { return ranges_.empty(); }

    // The range that the draw u (0 <= u < 1) falls in and the draw's offset from the range's
    // start, below its width.
    std::pair<const TRange*, double> Pick(double u) const {
        const double at = u * ends_.back();
        const size_t i =
            static_cast<size_t>(std::upper_bound(ends_.begin(), ends_.end(), at) - ends_.begin());
        const size_t k = std::min(i, ends_.size() - 1);
        const double start = k == 0 ? 0 : ends_[k - 1];
        return {&ranges_[k], std::max(0.0, at - start)};
    }

private:
    std::vector<TRange> ranges_;
    std::vector<double> ends_; // the widths of the ranges up to each one's end
};
