#pragma once

#include <string>

#include "database/Connection.h"
#include "engine/Package.h"
#include "members/MemberSyncTexts.h"
#include "transfer/PrepareExchange.h"

namespace tavex {

// True when at least one member row waits to be sent. A count that fails is
// left out. When none waits, says so through `addLine`.
bool HasNewMemberData(db::Connection& connection, const AddLineFn& addLine);

// Copies the member rows not yet uploaded into the staging tables, each
// table in a write transaction of its own (ShortWriteTransactions), so POS
// terminals write in between; the marks compare every live row with its
// staged copy, so copies made at different moments mark nothing unsent. The
// copies are marked as uploaded: a site that receives them has nothing to
// send on. Raises db::DbError on any failure, the table in hand rolled back.
void StageMemberRows(db::Connection& connection);

// Defines the member package over the staging tables in `package`: one
// table step per member table, each with the statement that deletes an
// earlier copy of every incoming record on the receiving side, and the
// statements that mark as uploaded, once the package has reached the
// server, exactly the live rows that are still as they were staged. A row
// a terminal wrote or changed after the staging keeps waiting. The marks
// are deferred (RunSourceStatements).
void DefineMemberPackage(engine::Package& package, const ExchangeSettings& settings,
                         const MemberSyncTexts& texts, db::Connection& connection);

}  // namespace tavex
