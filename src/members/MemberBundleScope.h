#pragma once

#include <string>

#include "database/Connection.h"
#include "engine/ImportScope.h"
#include "engine/Package.h"
#include "trust/PackageIntake.h"
#include "trust/PackageName.h"
#include "trust/SignatureCheck.h"

namespace tavex {

// What a site keeps of the member rows it sent, until head office's bundles
// say the relay took them: per package name (as on the server), the
// receiving table and the key of every row the package carried. A site
// starts keeping it once it has merged its first bundle: before that, the
// packages it sent went every site's way one by one, and a record of them
// would never be forgotten.
inline constexpr const char* kMemberSentTable = "tavex_MemberSent";

// Records, in the caller's transaction on `host`, the keys of the member
// rows staged for package `packageName` (the staging tables "<table>_Upload"
// hold exactly the rows it carries), when the site keeps the record.
// Raises db::DbError.
void RecordMembersSent(db::Connection& host, const std::string& packageName);

// The part of a member bundle that site `site` merges, added to `scope`:
// - its own steps are skipped: its own rows, which it has (and may have
//   changed since);
// - a row of another origin whose key the site sent in a package the bundle
//   does not list is passed over: the relay took that change of the site's
//   later, so it wins, and reaches the others with a later bundle;
// - its records of the packages the bundle lists, and of every one it sent
//   before them (the relay took those earlier, or set them aside), are
//   forgotten in the merge's transaction, which also starts the record.
// The bundle must be signed by head office: by a site this one trusts as
// its relay, or by this site itself (head office merging its own bundle);
// while nobody here has a key, an unsigned one is taken as any package is.
// `package` is the checked bundle, `verdict` its signature's. Any other
// kind of package gets nothing added. A bundle whose signer or description
// does not hold up is refused; a failure of the host database is Local.
trust::IntakeStep MemberBundleScope(const engine::Package& package, const trust::PackageName& named,
                                    const trust::SignatureVerdict& verdict, const std::string& site,
                                    engine::ImportScope& scope) noexcept;

}  // namespace tavex
