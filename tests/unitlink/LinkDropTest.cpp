// The loss of a connection: taken once per connection however often it is reported, handled only
// after the event in progress, and never for a connection the program closed itself or for a
// newer one made meanwhile.
#include "unitlink/LinkDrop.h"
#include "tests/support/MemoryTransport.h"

#include <gtest/gtest.h>

TEST(LinkDropTest, ALossIsTakenOncePerConnectionAndOnlyForTheConnectionItBelongsTo) {
    struct Case {
        const char* what;
        bool closedMeanwhile; // the program closed the connection before the queued handling ran
        bool reopened;        // and made a new one
        int handled;          // times the handling runs
        bool lostAfter;       // what Lost says once the queue has run
    };
    const Case cases[] = {
        {"lost and handled", false, false, 1, true},
        {"closed by the program before the handling ran", true, false, 0, false},
        {"a new connection was made before the handling ran", true, true, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        testsupport::MemoryTransport transport;
        int handled = 0;
        unitlink::CLinkDrop drop([&] { ++handled; });
        EXPECT_FALSE(drop.Lose(transport)); // no connection yet: nothing to lose
        drop.Opened();
        EXPECT_FALSE(drop.Lost());
        // The unit resets the connection while three sends fail on it: one loss, told once.
        EXPECT_TRUE(drop.Lose(transport));
        EXPECT_FALSE(drop.Lose(transport));
        EXPECT_FALSE(drop.Lose(transport));
        EXPECT_TRUE(drop.Lost());
        EXPECT_EQ(handled, 0); // never inside the send or the receive that found it
        ASSERT_EQ(transport.posted.size(), 1u);
        if (k.closedMeanwhile)
            drop.Closed();
        if (k.reopened)
            drop.Opened();
        transport.RunPosted();
        EXPECT_EQ(handled, k.handled);
        EXPECT_EQ(drop.Lost(), k.lostAfter);
    }
}

TEST(LinkDropTest, EachNewConnectionIsLostAgain) {
    testsupport::MemoryTransport transport;
    int handled = 0;
    unitlink::CLinkDrop drop([&] { ++handled; });
    for (int i = 1; i <= 3; ++i) {
        drop.Opened();
        EXPECT_TRUE(drop.Lose(transport));
        transport.RunPosted();
        drop.Closed();
        EXPECT_FALSE(drop.Lose(transport)); // a closed connection is not lost again
        EXPECT_EQ(handled, i);
    }
}
