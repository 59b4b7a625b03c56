#include "framework/UserRights.h"

#include <sodium.h>

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <variant>

#include "database/Values.h"

namespace tavex {

namespace {

void InitSodium() {
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot be initialised");
}

bool Verify(const std::string& hash, const std::string& password) {
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

// A hash of nothing anyone types, verified in place of a missing account so
// that an unknown account costs as much time as a wrong password.
const std::string& DecoyHash() {
  static const std::string hash = UserRights::HashPassword("\x01 no such account \x01");
  return hash;
}

bool IsTrue(const db::Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number != 0;
  if (const auto* real = std::get_if<double>(&value)) return *real != 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    return !text->empty() && *text != "0" && *text != "f" && *text != "false";
  }
  return false;
}

}  // namespace

void UserRights::Open(std::shared_ptr<db::Connection> connection, const std::string& /*reserved*/,
                      int /*reserved2*/, int /*reserved3*/) {
  InitSodium();
  mConnection = std::move(connection);
}

std::string UserRights::HashPassword(const std::string& password) {
  InitSodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(hash, password.data(), password.size(),
                            crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                            crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw std::runtime_error("the password cannot be hashed: out of memory");
  }
  return hash;
}

int UserRights::CheckLogin(const std::string& user, const std::string& password) const {
  if (!mConnection) return kLoginFailed;
  try {
    auto rows =
        mConnection->Query("SELECT PasswordHash, Disabled FROM pv_User WHERE UserID=?", {user});
    if (!rows->Next()) {
      Verify(DecoyHash(), password);
      return kLoginRefused;
    }
    const db::Value hash = rows->Get(0);
    const bool disabled = IsTrue(rows->Get(1));
    const auto* text = std::get_if<std::string>(&hash);
    if (text == nullptr || !Verify(*text, password)) {
      if (text == nullptr) Verify(DecoyHash(), password);
      return kLoginRefused;
    }
    return disabled ? kLoginDisabled : kLoginValid;
  } catch (const db::DbError&) {
    return kLoginFailed;
  }
}

bool UserRights::HasPrivilege(const std::string& user, int privilege) const {
  if (!mConnection) return false;
  try {
    return db::CountOf(*mConnection,
                       "SELECT COUNT(*) FROM pv_User AS U, pv_Privilege AS P"
                       " WHERE U.UserGroupID=P.UserGroupID AND U.UserID=? AND P.PrivilegeID=?",
                       {user, std::int64_t{privilege}}) != 0;
  } catch (const db::DbError&) {
    return false;
  }
}

}  // namespace tavex
