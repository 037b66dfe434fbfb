#!/usr/bin/env bash
# Makes the real-volume seeds of the NTFS tree and deep-scan fuzz targets:
# mkntfs formats a 1 MiB volume (512- and 4096-byte clusters), ntfs-3g
# fills it (folders with names long enough to need index records, a
# fragmented file, a deleted file), and the index records of the folders
# are moved to the free clusters right behind the $MFT, so that a seed cut
# from the volume's head holds the boot sector, the $MFT and every index
# record while staying small. Needs root, mkntfs, ntfs-3g and python3.
#   ntfs_tree_fuzz/mkntfs_<c>:      one byte, then the volume from 16 KiB
#                                   (the $MFT of a small mkntfs volume)
#   ntfs_deep_scan_fuzz/mkntfs_<c>: one byte, then the volume from sector 0
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt" || true
  rm -rf "$work"
}
trap cleanup EXIT

make_volume() { # make_volume CLUSTER IMAGE
  truncate -s 1040K "$2"
  mkntfs -q -F -f -c "$1" -s 512 -p 0 -H 0 -S 0 -L seed "$2" 2>/dev/null
  ntfs-3g "$2" "$mnt"
  mkdir -p "$mnt/folder/inner"
  for i in $(seq 1 12); do printf 'file %d\n' "$i" >"$mnt/folder/a_rather_long_file_name_number_$i.txt"; done
  printf 'inner\n' >"$mnt/folder/inner/leaf.txt"
  python3 - "$mnt/frag.bin" "$mnt/pad.bin" "$1" <<'EOF'
import os, sys
a, b = open(sys.argv[1], "wb"), open(sys.argv[2], "wb")
for i in range(4):
    for f in (a, b):
        f.write(bytes([i]) * int(sys.argv[3])); f.flush(); os.fsync(f.fileno())
EOF
  printf 'deleted\n' >"$mnt/deleted.txt"
  sync
  rm "$mnt/deleted.txt" "$mnt/pad.bin"
  umount "$mnt"
}

# Moves every single-run $INDEX_ALLOCATION behind the $MFT and prints the
# end of the last byte a seed must keep.
compact() { # compact IMAGE CLUSTER
  python3 - "$1" "$2" <<'EOF'
import struct, sys
path, cluster = sys.argv[1], int(sys.argv[2])
img = bytearray(open(path, "rb").read())
mft = 16384
def fixups(rec, apply):
    usa, count = struct.unpack_from("<HH", rec, 4)
    usn = rec[usa:usa + 2]
    for i in range(1, count):
        end = i * 512 - 2
        if apply:
            rec[end:end + 2] = rec[usa + 2 * i:usa + 2 * i + 2]
        else:
            rec[usa + 2 * i:usa + 2 * i + 2] = rec[end:end + 2]
            rec[end:end + 2] = usn
at, end_mft = mft, mft
while img[at:at + 4] == b"FILE":
    end_mft = at + 1024
    at += 1024
free = (end_mft + cluster - 1) // cluster
for at in range(mft, end_mft, 1024):
    rec = bytearray(img[at:at + 1024])
    fixups(rec, True)
    a = struct.unpack_from("<H", rec, 0x14)[0]
    changed = False
    while a + 16 <= 1024:
        kind, length = struct.unpack_from("<II", rec, a)
        if kind == 0xFFFFFFFF or length == 0:
            break
        if kind == 0xA0 and rec[a + 8] == 1:
            p = a + struct.unpack_from("<H", rec, a + 0x20)[0]
            h = rec[p]
            ls, os_ = h & 15, h >> 4
            if rec[p + 1 + ls + os_] == 0:  # a single run
                count = int.from_bytes(rec[p + 1:p + 1 + ls], "little")
                lcn = int.from_bytes(rec[p + 1 + ls:p + 1 + ls + os_], "little", signed=True)
                if lcn > free and free < 1 << (8 * os_ - 1):
                    img[free * cluster:(free + count) * cluster] = img[lcn * cluster:(lcn + count) * cluster]
                    img[lcn * cluster:(lcn + count) * cluster] = bytes(count * cluster)
                    rec[p + 1 + ls:p + 1 + ls + os_] = free.to_bytes(os_, "little", signed=True)
                    free += count
                    changed = True
        a += length
    if changed:
        fixups(rec, False)
        img[at:at + 1024] = rec
open(path, "wb").write(img)
print(free * cluster)
EOF
}

for cluster in 512 4096; do
  img="$work/v$cluster.img"
  make_volume "$cluster" "$img"
  end=$(compact "$img" "$cluster")
  # Byte 0 of the tree target: bit 0 sector size 512, bits 1-2 the cluster.
  case $cluster in 512) spc=0 ;; 4096) spc=3 ;; esac
  { printf "\\x$(printf %02x $((spc << 1)))"; head -c "$end" "$img" | tail -c +16385; } \
    >"$here/corpus/ntfs_tree_fuzz/mkntfs_$cluster"
  # Byte 0 of the deep scan: 512-byte sectors, sweeps of 8 sectors.
  { printf '\x0e'; head -c "$end" "$img"; } >"$here/corpus/ntfs_deep_scan_fuzz/mkntfs_$cluster"
done
