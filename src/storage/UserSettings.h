#pragma once

#include <string>

namespace tavex {

// Per-user application settings (the language number, the upload wizard's
// last choices). Each application has one INI file,
// "$XDG_CONFIG_HOME/<application>/<application>.ini" (XDG_CONFIG_HOME unset,
// empty or relative: "~/.config"), holding `[Section]` headers and
// `Key=Value` lines. Section and key names match without regard to ASCII
// case; the first matching line counts.
//
// The file is read with a small parser of our own rather than an INI library
// because a rewrite must give back every value byte for byte and keep every
// line it does not touch: values keep inner blanks, ';' and '#', lines have
// no length limit, and indented lines are not continuations. A value with
// leading or trailing blanks, or one that starts and ends with '"', is
// written in double quotes, which reading removes again. Comment lines (';',
// '#'), blank lines and garbage lines are ignored on reading and kept on
// rewriting.

// The value of `key` in `section` of `application`'s file, or
// `defaultValue` when the file, the section or the key is missing or the
// file cannot be read. Never throws.
std::string GetUserSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultValue) noexcept;

// Stores `value` under `key` in `section` of `application`'s file, creating
// the folder, the file, the section and the key as needed. The file is
// replaced atomically (a temporary file in the same folder, flushed to disk,
// then renamed over it); writers of the same file are serialised by a lock,
// so concurrent writes of different keys are all kept. Returns false, leaving
// the file as it was, when the names or the value cannot be stored in an INI
// line (empty names, a line break anywhere, ']' in the section, '=' in the
// key), when the existing file cannot be read, or when writing fails. Never
// throws.
bool SaveUserSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& value) noexcept;

// The file that holds `application`'s settings. Throws std::runtime_error
// when neither XDG_CONFIG_HOME nor a home folder is known.
std::string UserSettingsFile(const std::string& application);

}  // namespace tavex
