#pragma once

#include "core/app/High.h"
