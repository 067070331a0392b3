#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "runtime/HandlerGuards.h"

using namespace trimora;

namespace {

// An object whose "handler" may throw or destroy it while its flag is raised.
struct Owner {
    TLifeToken Life;
    bool Busy = false;
};

}  // namespace

TEST(HandlerGuards, FlagIsClearedHoweverTheScopeEnds) {
    Owner owner;
    EXPECT_THROW(
        {
            const TFlagScope busy(owner.Busy, owner.Life);
            EXPECT_TRUE(owner.Busy);
            throw std::runtime_error("a handler failed");
        },
        std::runtime_error);
    EXPECT_FALSE(owner.Busy);
}

TEST(HandlerGuards, AnOwnerDestroyedInsideTheScopeIsNotTouchedAfterIt) {
    auto owner = std::make_unique<Owner>();
    {
        const TAliveGuard alive(owner->Life);
        const TFlagScope busy(owner->Busy, owner->Life);
        EXPECT_TRUE(alive.Alive());
        owner.reset();  // what a handler may do; the scope's end must not write to it
        EXPECT_TRUE(alive.Gone());
    }
}
