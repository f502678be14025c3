#pragma once

#include <optional>
#include <vector>

namespace app {

// Where a position of the play list's one time line falls: an item and the
// position inside it, in seconds.
struct TimelinePlace {
    int index = 0;
    double local = 0.0;
};

// The play list's items back to back on one time line. A duration that is
// negative or not a number counts as 0, so the walk and the offsets always agree.
class PlayTimeline {
  public:
    void Assign(const std::vector<double>& durations);

    int Count() const { return static_cast<int>(starts_.size()); }
    double Total() const { return total_; }
    // Where item `index` begins; 0 outside the list.
    double StartOf(int index) const;

    // The item holding `position`: item i holds start_i < p <= start_i + d_i, so a
    // position on a boundary belongs to the earlier item. At or before 0 (or not a
    // number): the start of item 0. Beyond the total, or an empty list: none.
    std::optional<TimelinePlace> Locate(double position) const;

  private:
    std::vector<double> starts_;
    std::vector<double> durations_;
    double total_ = 0.0;
};

}  // namespace app
