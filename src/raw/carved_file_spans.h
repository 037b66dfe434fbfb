// Where files listed by a RAW tree build lie, so that what was carved
// inside one of them is not listed again as a file of its own.
//
// An archive that stores its members as they are (tar always, ZIP, RAR,
// cabinets and LHA archives for data that does not compress) shows each
// member's first sector to the carving sweep like a file of its own: every
// member header of a tar archive is itself a tar header, and a picture
// stored in an archive is a picture. Such a record starts inside the
// archive found before it and ends inside it too; it is part of the
// archive, which is recovered whole. A record that starts inside an
// archive but runs past its end is kept: the archive's own length may be
// wrong, or the record a file that overwrote the archive's tail.
//
// An MP3 file without a tag is known only by its frames, and a frame deep
// inside an MP3 file may begin at a sector boundary looking just like the
// first frame of a file: such a record lies inside the MP3 listed before
// it and is that file's, not a file of its own.
#pragma once

#include <cstdint>
#include <map>

class CarvedFileSpans {
public:
  // True for the analysers of archive formats whose records hold other
  // files: TAR, ZIP (with the office packages and drawings typed from
  // it), RAR, CAB and LZH.
  static bool IsArchiveAnalyser(int analyserType);

  // True for the MP3 analyser, whose records inside an MP3 file listed
  // before are frames of that file.
  static bool IsMp3Analyser(int analyserType);

  // True when bytes [start, start + length) start after the start of a
  // file added earlier and end no later than that file ends.
  bool Contains(std::uint64_t start, std::uint64_t length) const;

  // Remembers the file at bytes [start, start + length).
  void Add(std::uint64_t start, std::uint64_t length);

  void Clear() { spans_.clear(); }

private:
  // Start -> end (exclusive) of the files added, none of them inside
  // another: sorted by start, they are sorted by end too, so the file that
  // starts last before a place reaches furthest beyond it.
  std::map<std::uint64_t, std::uint64_t> spans_;
};
