#pragma once
// The conformance suite of the client library's engines: every fixture that
// derives from EngineTest runs its TEST_P cases once per engine of the build,
// with that engine chosen before the test body.

#include <gtest/gtest.h>

#include <string>

#include "ndossa/dossa_admin.h"

namespace vexotest {

class EngineTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_EQ(DossaUseEngine(GetParam().c_str()), DOSSA_NOERROR); }
  // True for the engine that keeps databases in local files.
  bool localFiles() const { return GetParam() == "sqlite"; }
};

}  // namespace vexotest

// Instantiates a fixture's TEST_P cases for every engine, named after the engine.
#define VEXO_ENGINE_SUITE(Fixture)                                                  \
  INSTANTIATE_TEST_SUITE_P(Engines, Fixture, ::testing::ValuesIn(DossaEngineNames()), \
                           [](const ::testing::TestParamInfo<std::string>& info) { return info.param; })
