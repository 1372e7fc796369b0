#pragma once

#include "DefinitionBlocks.h"
#include "Quillon.h"

// A record with every stored field away from its default, the blocks built as an install
// builds them: what a test writes when each value must prove it comes back.
inline ServiceDefinition EveryFieldSet()
{
    ServiceDefinition d;
    d.Service = {"C:\\apps\\svc.exe", "C:\\apps", "-x \"a b\"", 2500};
    d.PreService = {"C:\\apps\\pre.bat", "C:\\", "p", 100};
    d.PostService = {"C:\\apps\\post.exe", "D:\\", "q", 4000};
    d.DisplayName = "Reader";
    d.Description = "Eleven char";
    d.ConsoleApp = 1;
    d.InteractWithDesktop = 1;
    d.StartUpMode = 2;
    d.ShowWindow = 2;
    d.JobType = 2;
    d.LoadOrderGroup = "Grp";
    d.SMFEnabled = 1;
    d.SMFFrequency = 1234;
    d.UponExit = 2;
    d.AffinityMask = 0xFFFFFFFF;
    d.Priority = 5;
    d.GroupDependencies = {"G1"};
    d.ServiceDependencies = {"S1", "S2"};
    d.RawDependencies = blocks::Dependencies(d.GroupDependencies, d.ServiceDependencies);
    d.Environment = {{"A", "1"}, {"PATH", "C:\\x;C:\\y"}};
    d.EnvironmentSize = blocks::EnvironmentSize(d.Environment);
    d.DebugEnabled = 1;
    d.DebugLogFile = "C:\\logs\\svc.log";
    d.OutputFile = "C:\\logs\\out.log";
    d.ErrorFile = "C:\\logs\\err.log";
    d.RotateSize = 3000000000u;
    d.RotateDaily = 1;
    d.RotateKeep = 0;
    d.DumpFolder = "D:\\dumps";
    d.DumpKeep = 1000;
    d.DumpFull = 1;
    d.OutputTimeStamp = 1;
    d.StopTimeout = 60000;
    d.ExitActions = {{false, 0, 3}, {false, 0xC0000005u, 2}, {true, 0, 1}};
    d.RestartLimit = 5;
    d.RestartPeriod = 30000;
    d.StopService = {"C:\\apps\\stop.bat", "C:\\apps", "now", 3000};
    d.ExpandVariables = 1;
    d.Account = "CORP\\web$";
    d.DelayedStart = 1;
    d.PreShutdownTimeout = 90000;
    d.RecoverySteps[0].Action = 1;
    d.RecoverySteps[0].Delay = 0;
    d.RecoverySteps[1].Action = 3;
    d.RecoverySteps[1].Delay = 120000;
    d.RecoverySteps[2].Action = 2;
    d.RecoverySteps[2].Delay = 86400000;
    d.RecoveryResetPeriod = 0;
    d.RecoveryProgram = "C:\\tools\\notify.cmd";
    d.RecoveryParameters = "/fail";
    d.ReadyCheck = "http://127.0.0.1:8080/ready";
    d.ReadyTimeout = 1;
    d.LiveCheck = "program:\"C:\\tools\\probe.exe\" --quick";
    d.LiveInterval = 86400000;
    d.LiveTimeout = 600000;
    d.LiveFailures = 100;
    d.LiveGrace = 30000;
    d.LiveAction = 0;
    d.HungWindow = 15000;
    d.HealthInsecure = 1;
    d.MemoryLimit = 1048576;
    d.MemoryPeriod = 1000;
    d.CpuLimit = 100;
    d.CpuPeriod = 86400000;
    d.HandleLimit = 16777216;
    d.LimitAction = 3;
    d.JobMemoryLimit = 1;
    d.RestartEvery = 4294967295u;
    d.RestartAt = "00:00,23:59";
    d.Notifications = {{false, "Restart,Stopped", "", "C:\\tools\\page.cmd \"a\tb\""},
                       {true, "RestartLimit", "Authorization: Bearer t0k", "https://hooks.example/x?a=1&b=2"}};
    d.HookTimeout = 1000;
    return d;
}
