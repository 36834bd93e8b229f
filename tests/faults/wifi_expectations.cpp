#include "faults/fault_expectations.h"

namespace kyv::test {

const std::vector<Expectation>& wifiExpectations()
{
    static const std::vector<Expectation> table{
    };
    return table;
}

} // namespace kyv::test
