// WAV data of the sound cues.
#include "FuzzSupport.h"
#include "core/WaveImage.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView bytes = view(data, size);
    const WaveParse parsed = ParseWaveImage(bytes);
    if (!parsed.Image) {
        if (parsed.Error.isEmpty())
            fail("a refused image without a reason");
        return 0;
    }
    const WaveImage &wave = *parsed.Image;
    const char *begin = bytes.data();
    const char *samples = wave.Samples.data();
    if (!wave.Samples.isEmpty() && (samples < begin || samples + wave.Samples.size() > begin + bytes.size()))
        fail("the samples lie outside the image");
    if (wave.Channels <= 0 || wave.SampleRate <= 0 || wave.BitsPerSample <= 0)
        fail("an accepted image without channels, rate or sample size");
    if (wave.frameCount() < 0 || wave.durationMs() < 0)
        fail("a negative length");
    (void)QByteArray(samples, wave.Samples.size()); // every sample byte is readable
    return 0;
}
