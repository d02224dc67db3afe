#pragma once
// A scratch directory for one test: created fresh, removed with its files at
// the end of the test.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>
#include "tests/support/temp_dir.h"

using ScratchDir = vexotest::ScratchDir;
