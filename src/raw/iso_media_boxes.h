// The length of an ISO base-media file (MP4, 3GP) from its top-level boxes:
// the first box (the file type box), then the boxes that make up the
// movie's body, each skipped by its size.
#pragma once

class CRawFileInfo;
class IStorageDevice;

// Walks the boxes from the record's start sector: the first box, then at
// most 500 boxes of type "mdat", "moov", "free", "moof" or "mfra" (any
// case), until another type, an unreadable box or a box past the maximum
// carved size. 1 with the record's length set to the end of the last box,
// or 0 when not even the first box could be read.
int MeasureBoxFile(CRawFileInfo* record, IStorageDevice* device);
