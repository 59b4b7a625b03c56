#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace tavex::engine {

// The handler of the Proccess event. Arguments: PackageName, TotalCount (the
// number of table steps), TotalFinished (the current step, from 1),
// CurrentExData (the step's caption), CurrentCount and CurrentFinished (the
// step's rows and the rows done), Cancel (set it to stop the run) and
// NewExData (true on the first event of a step).
using ProccessHandler = std::function<void(
    const std::string& packageName, std::int32_t totalCount, std::int32_t totalFinished,
    const std::string& currentExData, std::int32_t currentCount, std::int32_t currentFinished,
    bool& cancel, bool newExData)>;

// Raises the Proccess events of one run at a measured pace: the first event
// of each step, then whenever about 1% of the step's rows or 100 ms have
// passed since the last one, and always a last one with finished = count (an
// empty step has just its first event, 0 of 0). A handler that sets Cancel
// makes the call that raised the event throw Cancelled.
class ProgressEvents {
 public:
  ProgressEvents(const ProccessHandler& handler, std::string packageName, std::int32_t totalCount)
      : mHandler(handler), mPackageName(std::move(packageName)), mTotalCount(totalCount) {}

  void StartStep(std::int32_t stepNumber, std::string caption, std::int64_t count);
  // Called after each row; cheap when no event is due.
  void Row(std::int64_t finished) {
    if (finished - mLastFinished >= mRowsPerEvent || (finished & 63) == 0) MaybeRaise(finished);
  }
  // The step is done with `finished` rows (which becomes its count if the
  // rows changed since they were counted).
  void FinishStep(std::int64_t finished);

 private:
  void MaybeRaise(std::int64_t finished);
  void Raise(std::int64_t finished, bool newExData);

  const ProccessHandler& mHandler;
  std::string mPackageName;
  std::int32_t mTotalCount;
  std::int32_t mStepNumber = 0;
  std::string mCaption;
  std::int64_t mCount = 0;
  std::int64_t mRowsPerEvent = 1;
  std::int64_t mLastFinished = 0;
  std::chrono::steady_clock::time_point mLastTime;
};

}  // namespace tavex::engine
