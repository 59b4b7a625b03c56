#include "maintenance/DeleteRun.h"

#include "database/Values.h"
#include "framework/UserRights.h"
#include "i18n/TextTable.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

constexpr int kPrivilegeDelete = 98;
// Each table's pacing loop: this many steps of one thousandth of the bar.
constexpr int kPacingSteps = 1000;

db::Params RangeParams(bool ranged, const std::optional<DateRange>& range) {
  if (!ranged || !range) return {};
  return {storage::DayParam(range->begin), storage::DayParam(range->end)};
}

}  // namespace

namespace {

constexpr TextRow<DeleteTexts> kDeleteRows[] = {
    {"Msg_Deleting", "正在删除：", &DeleteTexts::Msg_Deleting},
    {"Msg_Delete", "确定要取消删除数据吗？如果确定请点击“是”；否则，点击“否”则继续...",
     &DeleteTexts::Msg_Delete_Cancel, "Cancel"},
    {"Msg_Deleted", "已经删除：", &DeleteTexts::Msg_Deleted_Left, "Left"},
    {"Msg_Deleted", " ，共删除 ", &DeleteTexts::Msg_Deleted_Middle, "Middle"},
    {"Msg_Deleted", " 条数据", &DeleteTexts::Msg_Deleted_Right, "Right"},
    {"Msg_Delete", "删除数据失败：", &DeleteTexts::Msg_Delete_Fault, "Fault"},
};

const TextTable<DeleteTexts> kDeleteTexts({"frmDelete", "frmDDDelete", "frmStDelete"}, kDeleteRows);

}  // namespace

DeleteTexts ReadDeleteTexts(const char* section) { return kDeleteTexts.Read(section); }

DeleteRight CheckDeleteRight(const std::shared_ptr<db::Connection>& host, const std::string& user,
                             const std::string& password) {
  UserRights rights;
  rights.Open(host, "", 0, 0);
  if (rights.CheckLogin(user, password) != UserRights::kLoginValid) return DeleteRight::BadLogin;
  if (!rights.HasPrivilege(user, kPrivilegeDelete)) return DeleteRight::NoPrivilege;
  return DeleteRight::Granted;
}

std::optional<DeleteGrant> DeleteGrant::Check(const std::shared_ptr<db::Connection>& host,
                                              const std::string& user, const std::string& password,
                                              DeleteRight& right) noexcept {
  right = DeleteRight::BadLogin;
  IgnoreFailure([&] { right = CheckDeleteRight(host, user, password); });
  if (right != DeleteRight::Granted) return std::nullopt;
  return DeleteGrant();
}

std::int64_t CountUnsent(db::Connection& host, const DeletePlan& plan,
                         const std::optional<DateRange>& range) {
  if (plan.unsentCount.empty()) return 0;
  return db::CountOf(host, plan.unsentCount, RangeParams(plan.unsentCountRanged, range));
}

DeleteRun::DeleteRun(std::shared_ptr<db::Connection> host, DeleteTexts texts, DeleteHost& ui)
    : mHost(std::move(host)), mTexts(std::move(texts)), mUi(ui) {}

DeleteOutcome DeleteRun::Run(const DeletePlan& plan, const std::optional<DateRange>& range,
                             const DeleteGrant& /*grant*/) {
  DeleteOutcome outcome = DeleteOutcome::Failed;
  mCancel = false;
  mBarUnits = 0;
  mBarMaxUnits = plan.barMax * kPacingSteps;
  if (ProgressBar* bar = mUi.View().bar; bar != nullptr) {
    IgnoreFailure([&] {
      bar->SetValue(0);
      bar->SetMin(0);
      bar->SetMax(plan.barMax);
    });
  }
  bool began = false;
  IgnoreFailure([&] {
    mHost->BeginTrans();
    began = true;
    for (const TableDeletion& table : plan.tables) {
      const Step step = DeleteTable(table, RangeParams(table.ranged, range));
      if (step == Step::Cancelled) outcome = DeleteOutcome::Cancelled;
      if (step != Step::Deleted) return;
    }
    for (const std::string& sql : plan.afterwards) mHost->Execute(sql);
    mHost->CommitTrans();
    outcome = DeleteOutcome::Done;
  });
  if (outcome != DeleteOutcome::Done && began) IgnoreFailure([&] { mHost->RollbackTrans(); });
  mCancel = false;
  return outcome;
}

bool DeleteRun::Pace() {
  for (int i = 0; i < kPacingSteps; ++i) {
    if (mCancel) {
      if (mUi.AskYesNo(mTexts.Msg_Delete_Cancel)) return false;
      mCancel = false;
    }
    if (mBarUnits + 1 <= mBarMaxUnits) {
      ++mBarUnits;
      if (mUi.View().bar != nullptr) {
        mUi.View().bar->SetValue(mBarUnits / static_cast<double>(kPacingSteps));
      }
    }
    ProcessEvents();
  }
  return true;
}

DeleteRun::Step DeleteRun::DeleteTable(const TableDeletion& table, const db::Params& params) {
  ProgressList* list = mUi.View().list;
  if (list != nullptr) {
    list->AddItem(mTexts.Msg_Deleting + table.caption + " ...");
    list->SetListIndex(list->ListCount() - 1);
  }
  if (!Pace()) return Step::Cancelled;
  std::int64_t rows = 0;
  try {
    rows = mHost->Execute(table.sql, params);
  } catch (const std::exception& failure) {
    mUi.ShowMessage(mTexts.Msg_Delete_Fault + failure.what());
    return Step::Failed;
  }
  if (list != nullptr) {
    list->SetItem(list->ListCount() - 1, mTexts.Msg_Deleted_Left + table.caption +
                                             mTexts.Msg_Deleted_Middle + std::to_string(rows) +
                                             mTexts.Msg_Deleted_Right);
  }
  ProcessEvents();
  return Step::Deleted;
}

void DeleteRun::ProcessEvents() {
  if (mUi.View().processEvents) mUi.View().processEvents();
}

}  // namespace tavex
