// The document container that holds tests and reports: one zlib stream whose
// payload is the text length N (signed 64-bit, little-endian) followed by the
// N text bytes. The text is in the system's ANSI code page.
//
// PackDocument, UnpackDocument and NormalizeLineBreaks are pure C++ over zlib
// (no <windows.h>), so they build natively too; the file functions at the end
// live in ContentContainerFile.cpp and use Win32.
#pragma once
#include <string>
#include <string_view>

#include "classlib/SysUtils.h"

// The largest text a container may hold. Real documents are a few hundred
// kilobytes; a deflate stream expands up to about 1000:1, so without a bound
// a 1 MB file could make the reader build a gigabyte of text.
inline constexpr uint64_t kMaxDocumentSize = uint64_t(64) << 20;   // 64 MiB

// A container that declares more text than kMaxDocumentSize. It is a read
// error, raised before the text is inflated.
TALVERA_EXCEPTION(EDocumentTooLarge, EReadError)
String DocumentTooLargeText();

// Compresses the payload (length + text) at level 9 into one zlib stream.
// Throws EZCompressionError if zlib reports an error, EDocumentTooLarge for a
// text longer than kMaxDocumentSize (it could not be read back).
std::string PackDocument(std::string_view text);

// Reads the length and exactly that many text bytes from a zlib stream;
// whatever follows the text is not examined.
//  - data that are not a zlib stream: EZDecompressionError with zlib's message;
//  - fewer than 8 + N decompressed bytes, or a negative N: EReadError
//    (ReadErrorText());
//  - N above kMaxDocumentSize: EDocumentTooLarge (DocumentTooLargeText()),
//    raised as soon as the length has been read. The text grows only with
//    the data actually inflated, so memory stays within the bound whatever
//    the stream claims.
std::string UnpackDocument(std::string_view stream);

// The line-break rule of a multi-line text area: a lone CR, a lone LF and an
// LF CR pair each become CR LF; CR LF stays as it is.
std::string NormalizeLineBreaks(std::string_view text);

// Writes text as a container to fileName. The data go to a temporary file in
// the same folder, which replaces the target only after it has been written
// completely; on failure the previous file is left untouched and no temporary
// file remains. Throws EFCreateError (FileCreateErrorText(fileName)) when the
// target cannot be created or replaced, EWriteError when writing fails.
void SaveDocumentFile(const String& fileName, std::string_view text);

// Reads a container file and returns its text (not normalised).
// EFOpenError (FileOpenErrorText) if the file cannot be opened, then the
// errors of UnpackDocument.
std::string LoadDocumentFile(const String& fileName);

// The raw bytes of a file. EFOpenError if it cannot be opened, EReadError if
// reading fails.
std::string ReadFileBytes(const String& fileName);
