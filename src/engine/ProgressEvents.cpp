#include "engine/ProgressEvents.h"

#include <algorithm>
#include <limits>

#include "engine/PackageFailure.h"

namespace tavex::engine {

namespace {

constexpr auto kMinInterval = std::chrono::milliseconds(100);

std::int32_t Clamp(std::int64_t value) {
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void ProgressEvents::StartStep(std::int32_t stepNumber, std::string caption, std::int64_t count) {
  mStepNumber = stepNumber;
  mCaption = std::move(caption);
  mCount = count;
  mRowsPerEvent = std::max<std::int64_t>(1, count / 100);
  Raise(0, true);
}

void ProgressEvents::FinishStep(std::int64_t finished) {
  if (finished == mLastFinished && finished == mCount) return;  // already reported
  mCount = finished;
  Raise(finished, false);
}

void ProgressEvents::MaybeRaise(std::int64_t finished) {
  if (finished >= mCount) return;  // the last event comes from FinishStep
  if (finished - mLastFinished >= mRowsPerEvent ||
      std::chrono::steady_clock::now() - mLastTime >= kMinInterval) {
    Raise(finished, false);
  }
}

void ProgressEvents::Raise(std::int64_t finished, bool newExData) {
  mLastFinished = finished;
  mLastTime = std::chrono::steady_clock::now();
  if (!mHandler) return;
  bool cancel = false;
  mHandler(mPackageName, mTotalCount, mStepNumber, mCaption, Clamp(mCount), Clamp(finished), cancel,
           newExData);
  if (cancel) throw Cancelled{};
}

}  // namespace tavex::engine
