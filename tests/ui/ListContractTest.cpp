#include "FakeControls.h"
#include "ListContract.h"

namespace ymodem::contract {
namespace {

struct FakeListUnderTest {
    ListControl& Control() { return list; }
    test::FakeList list;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ListContract, FakeListUnderTest);

}  // namespace
}  // namespace ymodem::contract
