#pragma once
// The one rule for file names the program builds, so that every file it
// writes can be copied between the Windows desks and a Linux desk or share
// unchanged. A name (no folder part) is fit when it has
//  - none of \ / : * ? " < > | and no control character (':' would make an
//    alternate data stream on Windows, the others are refused there),
//  - no trailing dot or blank (Windows drops them, so "A." and "A" would be
//    one file), and is not "." or "..",
//  - no Windows device name as its part before the first dot (CON, PRN, AUX,
//    NUL, COM1-COM9, LPT1-LPT9, in any case, with or without an extension:
//    "nul.csv" opens the null device there),
//  - at most 255 bytes in the file system's encoding.
//
// A name built from data (order-file fields, master names) is made fit; a
// name the operator wrote (the third line of an export definition) is
// refused with the reason, since a silently changed name would be a file
// nobody looks for.

#include <QString>

namespace SafeName {

// The most a name may take in the file system's encoding (UTF-8 bytes on
// Linux, UTF-16 units on Windows).
constexpr int MaxBytes = 255;

// Why `name` is no fit file name, in Japanese; empty when it is fit.
QString problem(const QString &name);

// `name` made fit: a bad character becomes "_", a trailing dot or blank
// becomes "_", a device name gets "_" in front, and a name too long loses
// characters at the end of the part before its extension (whole
// characters, never half of one); an empty name becomes "_".
QString made(const QString &name);

// The length of `name` in the file system's encoding.
int encodedLength(const QString &name);
// The longest start of `text` that takes at most `maxBytes`, cut between
// whole characters.
QString truncated(const QString &text, int maxBytes);

// Throws DbError 75 naming `name` and the reason when it is no fit file
// name; `what` says where the name was written ("書き出し定義の出力ファイル名").
void require(const QString &name, const QString &what);

} // namespace SafeName
