// The records of a ZIP archive as the carving walk meets them, one after
// another from the file's start: local file headers (each followed by its
// data), central directory headers and the end-of-central-directory record.
#pragma once

#include <cstdint>

#include "platform/byte_view.h"

inline constexpr std::uint32_t kZipLocalHeaderSignature = 0x04034b50;   // "PK\3\4"
inline constexpr std::uint32_t kZipCentralHeaderSignature = 0x02014b50; // "PK\1\2"
inline constexpr std::uint32_t kZipEndRecordSignature = 0x06054b50;     // "PK\5\6"

// Bytes a caller must have in view so that every check below sees all it
// reads: the central header's fixed part and the longest name it compares.
inline constexpr std::size_t kZipRecordPeek = 46 + 31;

// 1 when the bytes begin a local file header (compression method at most 10,
// name at most 1040 bytes), a central directory header or an end record.
// Fields that lie outside the view make no record.
int IsZipRecord(qm::ByteView bytes);

// The length of the record that begins the bytes, from its start to the
// next record: a local header with its name, extra field and compressed
// data; a central header with its name, extra field and comment; the end
// record with its comment. 1 for a known record, 0 otherwise (length then
// untouched). With checkOfficeNames, a header naming the main relationship
// part of a word-processing, spreadsheet or presentation package sets the
// type to DOCX, XLSX or PPTX (69, 70, 71); otherwise type is left alone.
int ZipRecordLength(qm::ByteView bytes, std::uint64_t& length, bool checkOfficeNames, int& type);
