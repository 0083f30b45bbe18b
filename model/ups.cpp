// UPS Service: whether a power failure is announced to a user or group, with which text and how
// often.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kPowerFailKeys[] = {
    { "Power Failure", "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters", AccessNumbered },
};

const char kRecipientTooLong[] =
    "The length of the message recipient name in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nChange the recipient name.";
const char kMessageTooLong[] =
    "The length of the power failure message in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nRe-enter a new message.";
const char kDefaultMessage[] =
    "The system has experienced a power failure. Please close all applications and files and "
    "log off immediately.";

// IgnoreSIGPWR is 1 when no message is sent. The reads keep their established step numbers,
// 2/3, 4/5, 9/6 and 10/11, not consecutive pairs: the messages are known by them. All four are
// written even while no message is sent: the greyed fields keep their texts.
const ValueModel kPowerFailValues[] = {
    InvertedFlagValue("IgnoreSIGPWR", 1, Numbered(2, 3, 2)),
    TextValue("PowerFailAddress", REG_SZ, 15, "*", kRecipientTooLong, Numbered(4, 5, 3)),
    TextValue("PowerFailMessage", REG_SZ, 500, kDefaultMessage, kMessageTooLong,
              Numbered(9, 6, 4)),
    ListValue("PowerMessageInterval", { 0, 10, 1, 1 }, Numbered(10, 11, 5)),
};

}  // namespace

extern const PolicyModel kUpsPolicy = {
    "ups", IDS_UPS_SERVICE, kPowerFailKeys, ARRAYSIZE(kPowerFailKeys),
    kPowerFailValues, ARRAYSIZE(kPowerFailValues), NULL,
};
