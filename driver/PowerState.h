// The power source and charging state of a power reading. OnBattery also stands for a state that
// cannot be read.
#ifndef KESTREL_POWERSTATE_H
#define KESTREL_POWERSTATE_H

enum PowerState { OnAc = 0, OnAcCharging = 1, OnBattery = 2 };

#endif
