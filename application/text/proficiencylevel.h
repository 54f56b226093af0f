// A word's HSK (1-6) and TOCFL (1-5) levels as bit masks: level n sets bit 2^(n-1). A word may carry several
// levels in each system.
#pragma once

#include <cstddef>
#include <cstdint>

struct ProficiencyLevel {
  uint16_t hsk = 0;
  uint16_t tocfl = 0;

  // Formats the first mask (hsk) as "2, 3", or "*" when no bit is set; callers format a TOCFL mask by
  // calling it on a value whose first mask is the TOCFL mask. Cut to size - 1 bytes and NUL-terminated;
  // returns the bytes written before the NUL. A null buffer or size 0 gives 0 and writes nothing.
  size_t asText(char* buffer, size_t size) const;

  bool operator==(ProficiencyLevel const& o) const { return hsk == o.hsk && tocfl == o.tocfl; }
};
