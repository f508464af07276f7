#!/bin/sh
# Prints the Windows architecture this machine's Wine can run: "i686" where 32-bit Linux programs
# run (Wine's 32-bit loader starts), "x86_64" on a machine that runs 64-bit user code only. There
# the tests and the demo use the same sources built for x86_64, in a 64-bit prefix.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo i686
else
    echo x86_64
fi
