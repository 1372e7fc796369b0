#pragma once

#include <gtest/gtest.h>

#include "Quillon.h"

// What a Parameters key holding only the program and its folder loads as.
inline void ExpectOnlyTheProgramWasStored(const ServiceDefinition& d)
{
    for (auto delay : {d.Service.Delay, d.PreService.Delay, d.PostService.Delay}) EXPECT_EQ(delay, 0u);
    EXPECT_EQ(d.StartUpMode, 0u);
    EXPECT_EQ(d.ShowWindow, 0u);
    EXPECT_EQ(d.JobType, 1u);
    EXPECT_EQ(d.SMFEnabled, 0u);
    EXPECT_EQ(d.SMFFrequency, 0u);
    EXPECT_EQ(d.UponExit, 0u);
    EXPECT_EQ(d.DebugEnabled, 0u);
    EXPECT_TRUE(d.RawDependencies.empty());
    EXPECT_EQ(d.EnvironmentSize, 0u);
}
