#pragma once

#include "port/MatrixDecoder.h"
