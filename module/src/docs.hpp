// The documentation strings of the module and its two functions.
//
// Each function's string opens with its text signature, "--" and an empty line, so that the
// interpreter reports the signature as __text_signature__ (inspect.signature shows the
// parameters and their defaults) and the rest as __doc__.
#pragma once

namespace moodvane::module {

extern const char* const kModuleDoc;
extern const char* const kWeightedAvgShiftDoc;
extern const char* const kWeightedAvgShiftCustomDoc;

}  // namespace moodvane::module
