#pragma once

#include "platform/internal.h"
