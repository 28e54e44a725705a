#pragma once
#include <cstdint>
#include <functional>
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnVector3.h"

// Processor check and the two batch transforms that geometry objects run over whole vertex
// and normal arrays when they compute world-space data. The check picks, once at start-up,
// which implementation the two process-wide routine pointers call.

// Processor classes: 0 unknown (no identification), 1 plain, 2 MMX, 3 conditional move,
// 4 MMX and conditional move, 5 never assigned, 6 with AMD's extended 3D instructions.
enum : uint32_t {
    EN_PROCESSOR_UNKNOWN = 0,
    EN_PROCESSOR_PLAIN = 1,
    EN_PROCESSOR_MMX = 2,
    EN_PROCESSOR_CMOV = 3,
    EN_PROCESSOR_MMX_CMOV = 4,
    EN_PROCESSOR_3DNOW = 6,
};

// destination[i] = (R * source[i]) * scale + translation. Source and destination may be the
// same array.
using EnTransformPointsFn = void (*)(uint16_t usCount, const EnVector3* pSource,
                                     EnVector3* pDestination, const EnMatrix3& kRotation,
                                     float fScale, const EnVector3& kTranslation);
// destination[i] = R * source[i]. Source and destination may be the same array.
using EnRotateVectorsFn = void (*)(uint16_t usCount, const EnVector3* pSource,
                                   EnVector3* pDestination, const EnMatrix3& kRotation);

// The routines geometry calls. They start as the generic pair and are set at start-up.
extern EnTransformPointsFn EnTransformPoints;
extern EnRotateVectorsFn EnRotateVectors;

// Generic pair: each component is a row of R dotted with the point, times the scale.
void EnTransformPointsGeneric(uint16_t usCount, const EnVector3* pSource, EnVector3* pDestination,
                              const EnMatrix3& kRotation, float fScale,
                              const EnVector3& kTranslation);
void EnRotateVectorsGeneric(uint16_t usCount, const EnVector3* pSource, EnVector3* pDestination,
                            const EnMatrix3& kRotation);
// Pre-multiplied pair: the scale is folded into the rotation once per call. Results may
// differ from the generic pair in the last bit.
void EnTransformPointsPremultiplied(uint16_t usCount, const EnVector3* pSource,
                                    EnVector3* pDestination, const EnMatrix3& kRotation,
                                    float fScale, const EnVector3& kTranslation);
void EnRotateVectorsPremultiplied(uint16_t usCount, const EnVector3* pSource,
                                  EnVector3* pDestination, const EnMatrix3& kRotation);

// Asks the identification instruction (through the query given, which answers false where
// the instruction is unavailable) and returns the processor class.
using EnCpuidQuery = std::function<bool(uint32_t uiLeaf, uint32_t auiRegs[4])>;
uint32_t EnClassifyProcessor(const EnCpuidQuery& kQuery);

// Marks the processor as detected, warns on the debug output and classifies the processor
// this program runs on.
void EnDetectProcessor();
bool EnProcessorDetected();
uint32_t EnGetProcessorClass();

// Detects the processor when that has not happened yet and installs the routine pair of its
// class. Runs during start-up; calling it again only reinstalls the same pair.
void EnInitProcessorRoutines();
