// The four overlap tests of pmask.h as sets of function pointers, once with each way of scanning
// a strip pair's rows: four rows to a vector where the target has SSE2 (every x86-64), or one
// word at a time, the way every other target runs. The functions of pmask.h are the first set;
// the second lets the plain way be held to the same answers on a machine with vectors.
#ifndef OSA_MASKS_COLLISION_SCANS_H
#define OSA_MASKS_COLLISION_SCANS_H

#include "masks/pmask.h"

struct pmask_collision_set {
    const char* name;  // "library" or "plain"
    int (*check)(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2);
    int (*check_offset)(const PMASK* a, const PMASK* b, int dx, int dy);
    int (*position)(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2, int* result);
    int (*position_offset)(const PMASK* a, const PMASK* b, int dx, int dy, int* result);
};

// check_pmask_collision, _check_pmask_collision, check_pmask_collision_position and
// _check_pmask_collision_position themselves, with vectors where the target has SSE2.
extern const pmask_collision_set pmask_collisions;

// The same four with the one-word-at-a-time scans, on every target. Same answers, same points.
extern const pmask_collision_set pmask_plain_collisions;

#endif
