// Both ways of reading a key, proven by one set of tests: the program reads several values of a
// key in one batched call, and falls back to value-by-value reads. With the environment variable
// KORVID_TEST_READS=value-by-value (the second run of the dialog and page tests), the lab's Velmor
// Servers refuse the batched call on every key the program reads, as a server without it does.
#ifndef KORVID_READPATH_TESTING_H
#define KORVID_READPATH_TESTING_H

#include <windows.h>

#include <string>
#include <vector>

#include "lab/labconfig.h"
#include "model/model.h"

const char kVersionKeyPath[] = "SOFTWARE\\VelmorServer\\CurrentVersion";

inline bool ReadsValueByValue()
{
    char setting[32] = "";
    DWORD length = GetEnvironmentVariableA("KORVID_TEST_READS", setting, sizeof(setting));
    return length > 0 && length < sizeof(setting) && lstrcmpiA(setting, "value-by-value") == 0;
}

// Every key the program reads two or more values of.
inline std::vector<std::string> BatchedKeyPaths()
{
    std::vector<std::string> paths{kVersionKeyPath};
    for (int i = 0; i < kPolicyCount; ++i) {
        const PolicyModel &policy = *AllPolicies()[i];
        for (int key = 0; key < policy.keyCount; ++key)
            paths.push_back(policy.keys[key].path);
    }
    return paths;
}

// Refuses the batched call as not supported on every such key of the computer.
inline void RefuseBatchedReads(const char *computer, DWORD code = ERROR_CALL_NOT_IMPLEMENTED)
{
    for (const std::string &path : BatchedKeyPaths())
        LabSetFault(computer, "QueryMultiple", path.c_str(), code);
}

// In the value-by-value run, the default network's Velmor Servers refuse the batched call.
inline void ApplyReadPath()
{
    if (!ReadsValueByValue())
        return;
    for (const char *computer : {"VELMOR-PDC", "VELMOR-BDC", "VELMOR-MEMBER", "VELMOR-SOLO"})
        RefuseBatchedReads(computer);
}

#endif
