#include "engine/core/EnCloneExtraData.h"

EN_IMPLEMENT_RTTI(EnCloneExtraData, EnExtraData);

EnCloneExtraData::~EnCloneExtraData() = default;
