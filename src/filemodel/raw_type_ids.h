// The built-in carved file types by id. The carving engine's type table
// starts with these names; the file model needs them too, to know a file's
// carved type by its extension.
#pragma once

inline constexpr int kLastBuiltInRawType = 73; // ids 1..73 are built in

inline constexpr const char* kBuiltInRawTypeNames[kLastBuiltInRawType + 1] = {
    "Raw", "3DS",  "3GP", "ADP",  "ANI",  "AI",   "ASF",  "AU",    "AVI", "BMP", "CAB", "CDR", "CHM",
    "CLK", "CMX",  "CPT", "CRW",  "CSL",  "CUR",  "DBX",  "DLL",   "DOC", "DWG", "DXF", "EMF", "EPS",
    "EXE", "FH11", "GIF", "GZ",   "HLP",  "HTM",  "ICO",  "JPG",   "LZH", "MAX", "MID", "MDB", "MNY",
    "MOF", "MOV",  "MP3", "MP4",  "MPP",  "OLE",  "ONE",  "PDF",   "PNG", "PPT", "PUB", "PSD", "PSP",
    "PST", "QPW",  "RAR", "RIFF", "RTF",  "SHW",  "SWF",  "TAR",   "TIF", "TTF", "VSD", "WAV", "WPD",
    "WPG", "WMF",  "XLS", "ZIP",  "DOCX", "XLSX", "PPTX", "ACCDB", "NEF"};
