// Everything of policy/: the Policy page, and the pieces every policy dialog is built of.
#ifndef KORVID_POLICY_H
#define KORVID_POLICY_H

#include "model/model.h"
#include "policy/policycontrols.h"
#include "policy/policykey.h"
#include "policy/policypage.h"
#include "policy/policyprotocol.h"
#include "policy/regvalues.h"

#endif
