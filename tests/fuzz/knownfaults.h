// Properties that open faults break, so that CI stays green until they are mended. They are checked only
// when the build sets QM_FUZZ_KNOWN_FAULTS (cmake -DQM_FUZZ_KNOWN_FAULTS=ON, or QM_FUZZ_CMAKE_OPTIONS for
// tools/fuzz.sh); once a fault is mended, delete its entry and the gate that uses it. These faults were
// found by the harnesses themselves.
#pragma once

#ifndef QM_FUZZ_KNOWN_FAULTS
#define QM_FUZZ_KNOWN_FAULTS 0
#endif

namespace known {

constexpr bool check = QM_FUZZ_KNOWN_FAULTS != 0;

// One damaged byte loses an intact neighbour: a damaged header loses the record before it (its data is
// then cut only at the first "@" at a line start, and with the line feed put before the damaged record),
// and a damaged last byte of a record loses the record after it (its "@" no longer starts a line).
constexpr bool storeNeighbourRecord = check;
// A record's id digests its fields with nothing between them, so a line end put into the time of its header
// still verifies, with the time's last digits read as data.
constexpr bool storeFieldBoundary = check;
// Encoding detection counts a lead byte within three bytes of the sample's end, and the bytes after it, as
// one cut sequence even when they are no continuation bytes, so a short GB18030 text passes for UTF-8
// ("C3 C0 B4 D7 BC C7 BF F1 D3 FC": three well-formed sequences, four invalid bytes counted as two).
constexpr bool detectCutSequence = check;
// Concatenated level lists lose the U+FEFF that begins the first word of the first list after its mark: the
// builder drops each list's mark, so the word's U+FEFF then starts the file and is taken for its mark.
constexpr bool levelListWordMark = check;
// A property value read is cut after 511 bytes and at a NUL byte, and when the cut leaves a blank at its
// end the value does not read back as written: the written form changes on the next save.
constexpr bool propertyCutValueBlank = check;
// A key that cannot be stored is dropped without a warning when nothing else in its group can be stored.
constexpr bool propertySilentDrop = check;

} // namespace known
