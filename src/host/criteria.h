// Criteria: the clauses of a rule's criteria block, and the run-time test that
// decides whether the rule applies to a record.
#pragma once

#include "actions/data_context.h"
#include "host/run_observer.h"
#include "script/model.h"

namespace trelmix {

// Code list, length, protocol, match from a position, wildcard: every test
// present must pass for the rule to apply.
bool CriteriaPass(const Criteria& criteria, const DataContext& record);

// The same tests, answering with the first clause tested that fails
// (length, protocol, code list, match, wildcard), or Clause::None.
Clause FailingClause(const Criteria& criteria, const DataContext& record);

// The whole record against a pattern where '*' and '?' are wildcards. When it
// does not match, the second form says in `stop` where the pattern stopped.
bool WildcardMatch(const ByteArg& pattern, ByteSpan record);
bool WildcardMatch(const ByteArg& pattern, ByteSpan record, WildcardStop* stop);

}  // namespace trelmix
