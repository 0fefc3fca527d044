// The Windows build's decoder: the system's MP3 codec through the Audio Compression Manager
// (msacm32), the whole stream in one conversion, leading ID3v2 tag included.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include "audio/decode.h"
#include "audio/mp3_decode.h"

bool decode_stream_samples(const uint8_t* stream, const track_record& r, int16_t** samples, uint32_t* count,
                           uint32_t* stream_samples) {
    *samples = nullptr;
    *count = 0;
    if (stream_samples) *stream_samples = 0;
    if (r.sample_rate == 0) return false; // no frame size to tell the codec

    // The stream as MPEG-1/2 Layer III, mono, constant bit rate; nBlockSize is the frame size
    // without padding (576 samples a frame up to 24000 Hz, 1152 above).
    MPEGLAYER3WAVEFORMAT source = {};
    source.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    source.wfx.nChannels = 1;
    source.wfx.nSamplesPerSec = r.sample_rate;
    source.wfx.nAvgBytesPerSec = r.mp3_kbps * 125u;
    source.wfx.nBlockAlign = 1;
    source.wfx.wBitsPerSample = 0;
    source.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    source.wID = MPEGLAYER3_ID_MPEG;
    source.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    const uint64_t per_frame = r.sample_rate <= 24000 ? 72000 : 144000;
    source.nBlockSize = (WORD)((uint64_t)r.mp3_kbps * per_frame / r.sample_rate);
    source.nFramesPerBlock = 1;
    source.nCodecDelay = 0;

    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = 1;
    pcm.nSamplesPerSec = r.sample_rate;
    pcm.nAvgBytesPerSec = 2u * r.sample_rate;
    pcm.nBlockAlign = 2;
    pcm.wBitsPerSample = 16;
    pcm.cbSize = 0;

    HACMSTREAM has = nullptr;
    if (acmStreamOpen(&has, nullptr, &source.wfx, &pcm, nullptr, 0, 0, 0) != 0) return false;

    // The codec's estimate of the output, with 64 KiB to spare, but never more than the loop
    // building can read: the estimate follows the record's bit rate, which a payload may set
    // to anything, and the samples past the longest loop and its tail are never used.
    DWORD estimate = 0;
    acmStreamSize(has, r.mp3_length, &estimate, ACM_STREAMSIZEF_SOURCE);
    const uint64_t most = 2ull * ((uint64_t)largest_pcm_frames + decoder_delay + crossfade_samples);
    const uint64_t wanted = (uint64_t)estimate + 65536;
    const uint64_t room = wanted < most ? wanted : most;
    int16_t* d = room <= 0xFFFFFFFFu ? (int16_t*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)room) : nullptr;
    if (!d) {
        acmStreamClose(has, 0);
        return false;
    }

    ACMSTREAMHEADER h = {};
    h.cbStruct = sizeof h;
    h.pbSrc = (LPBYTE)stream;
    h.cbSrcLength = r.mp3_length;
    h.pbDst = (LPBYTE)d;
    h.cbDstLength = (DWORD)room;
    acmStreamPrepareHeader(has, &h, 0);
    acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END);
    acmStreamUnprepareHeader(has, &h, 0);
    acmStreamClose(has, 0);

    DWORD used = h.cbDstLengthUsed <= h.cbDstLength ? h.cbDstLengthUsed : h.cbDstLength;
    *samples = d;
    *count = used / 2;
    if (stream_samples) *stream_samples = used / 2;
    return true;
}

void release_stream_samples(int16_t* samples) {
    if (samples) HeapFree(GetProcessHeap(), 0, samples);
}
