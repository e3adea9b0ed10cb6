#pragma once
// A GoogleTest fixture over a scratch capture database.
#include "CaptureDatabase.h"

#include <gtest/gtest.h>

namespace trawler::test {

class ReportFixture : public ::testing::Test, public CaptureDatabase {};

} // namespace trawler::test
