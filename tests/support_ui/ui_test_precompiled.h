// Headers precompiled once per windowed test suite.
#pragma once

#include "../../cmake/qt_precompiled.h"

#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
