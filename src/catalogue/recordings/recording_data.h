#pragma once

#include "../recording.h"

namespace catalogue::data {

extern const Recording form1;
extern const Recording form3;
extern const Recording form4;
extern const Recording form5;
extern const Recording form6;
extern const Recording form7;
extern const Recording form8;
extern const Recording form9;
extern const Recording form10;

} // namespace catalogue::data
