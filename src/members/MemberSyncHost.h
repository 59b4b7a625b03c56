#pragma once

#include <string>

#include "download/DownloadHost.h"

namespace tavex {

// What the hosts of a member synchronisation differ in: the wizard and the
// unattended command. The package the sending half exports comes from
// NewPackage as well, so the host's progress handler (and its cancel)
// serves the export and the imports alike.
class MemberSyncHost : public DownloadHost {
 public:
  // Shows the record of a failure raised while sending, "数据上传失败："
  // and its description, already written to the synchronisation log.
  virtual void SendFailed(const std::string& record) = 0;
};

}  // namespace tavex
