// Writing a whole file so that a failure never destroys what was there, and saying why a write
// failed in words for the user.
#pragma once

#include <QString>
#include <string_view>

namespace quorix::host {

// Writes `data` as the whole content of the file at `path`: written in full beside it and only
// then renamed over it, so that a failed write leaves an existing file as it was and no partial
// file behind. Returns the empty text on success, else why it failed (in Chinese).
QString WriteWholeFile(const QString& path, std::string_view data);

// Writes as WriteWholeFile does; the empty text when the file was written, else a message for
// the user that names the file, says why, and says that a file already there was left as it was.
QString SaveOrSayWhy(const QString& path, std::string_view data);

// Why a file operation failed, from the system's error number; `fallback` when the number says
// nothing the user can act on.
QString FileErrorReason(int error_number, const QString& fallback);

}  // namespace quorix::host
