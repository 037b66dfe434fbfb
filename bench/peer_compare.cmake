# A developer's tool (not a benchmark): runs one of the recovery roads on an
# image and copies what it finds into a folder, to compare with other tools.
add_executable(peer_compare peer_compare.cpp)
qm_target_defaults(peer_compare)
target_link_libraries(peer_compare PRIVATE raw fatext2 ntfs)
