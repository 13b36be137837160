#!/usr/bin/env python3
"""Writes Vorrandale's alarm sound: three short two-tone beeps, 16-bit mono
PCM at 22050 Hz, about half a second. Usage: motion_wav.py OUT.wav"""
import math
import struct
import sys
import wave

RATE = 22050
BEEP = 0.12  # seconds of each beep
GAP = 0.05  # seconds of silence after each
TONES = (1320.0, 990.0, 1320.0)
RAMP = 0.005  # fade in and out, so the beeps do not click
LEVEL = 0.6 * 32767


def beep(frequency):
    count = int(BEEP * RATE)
    ramp = int(RAMP * RATE)
    samples = []
    for n in range(count):
        t = n / RATE
        envelope = min(1.0, n / ramp, (count - 1 - n) / ramp)
        # A little of the octave above makes the tone cut through fan noise.
        value = 0.8 * math.sin(2 * math.pi * frequency * t) + 0.2 * math.sin(4 * math.pi * frequency * t)
        samples.append(round(LEVEL * envelope * value))
    return samples + [0] * int(GAP * RATE)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    samples = [s for frequency in TONES for s in beep(frequency)]
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(struct.pack(f"<{len(samples)}h", *samples))


if __name__ == "__main__":
    main()
