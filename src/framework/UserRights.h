#pragma once

#include <memory>
#include <string>

#include "database/Connection.h"

namespace tavex {

// Accounts and privileges of the host system: pv_User (UserID, UserGroupID,
// PasswordHash, Disabled), pv_Privilege (UserGroupID, PrivilegeID), groups
// in pv_UserGroup. Passwords are kept only as argon2id hash strings.
class UserRights {
 public:
  // Results of CheckLogin.
  static constexpr int kLoginValid = 0;
  static constexpr int kLoginRefused = 1;   // unknown account or wrong password
  static constexpr int kLoginDisabled = 2;  // the account is switched off
  static constexpr int kLoginFailed = -1;   // not opened, or the database failed

  // Binds the object to a connection; the three other arguments are carried
  // for callers that pass them ("", 0, 0) and have no meaning.
  void Open(std::shared_ptr<db::Connection> connection, const std::string& reserved = "",
            int reserved2 = 0, int reserved3 = 0);

  // 0 when `user` names an account whose hash matches `password`. An unknown
  // account takes as long as a wrong password and gives the same result.
  int CheckLogin(const std::string& user, const std::string& password) const;

  // True when the group of `user` holds privilege `privilege`.
  bool HasPrivilege(const std::string& user, int privilege) const;

  // An argon2id hash string of `password` for pv_User.PasswordHash, with a
  // fresh salt. Raises std::runtime_error when hashing fails (out of memory).
  static std::string HashPassword(const std::string& password);

 private:
  std::shared_ptr<db::Connection> mConnection;
};

}  // namespace tavex
