// Criteria: the clauses of a rule's criteria block, and the run-time test that
// decides whether the rule applies to a record.
#pragma once

#include "actions/data_context.h"
#include "script/model.h"

namespace trelmix {

// Code list, length, protocol, match from a position, wildcard: every test
// present must pass for the rule to apply.
bool CriteriaPass(const Criteria& criteria, const DataContext& record);

// The whole record against a pattern where '*' and '?' are wildcards.
bool WildcardMatch(const ByteArg& pattern, ByteSpan record);


}  // namespace trelmix
