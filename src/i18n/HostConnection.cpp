#include "i18n/HostConnection.h"

#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"

namespace tavex {

std::shared_ptr<db::Connection> RequireHostConnection() {
  std::shared_ptr<db::Connection> host = ExchangeContext::Instance().Connection();
  if (!host) throw db::DbError(Messages().Msg_NoHostConnection);
  return host;
}

}  // namespace tavex
