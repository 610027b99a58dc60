<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>FrequencyRequest</name>
    <message>
        <source>Please choose a waveform from the list.</source>
        <translation>请从列表中选择一种波形。</translation>
    </message>
    <message>
        <source>This signal needs more than %1 bytes of memory. Choose a shorter time, a lower sample rate or precision, or fewer channels.</source>
        <translation>该信号需要超过 %1 字节的内存。请缩短时间、降低采样率或精度，或减少声道数。</translation>
    </message>
    <message>
        <source>This signal needs %1 bytes of memory, more than can be set aside for it. Choose a shorter time, a lower sample rate or precision, or fewer channels.</source>
        <translation>该信号需要 %1 字节的内存，超出了可分配的范围。请缩短时间、降低采样率或精度，或减少声道数。</translation>
    </message>
    <message>
        <source>A tone burst&apos;s frequency must be below half the sample rate (%1 Hz).</source>
        <translation>猝发音的频率必须低于采样率的一半（%1 Hz）。</translation>
    </message>
    <message>
        <source>The power-test noise&apos;s band runs from Scan From to Scan To: the first must be below the second, and both below half the sample rate (%1 Hz).</source>
        <translation>功率测试噪声的频带从扫频起始频率到终止频率：起始频率必须低于终止频率，且两者都必须低于采样率的一半（%1 Hz）。</translation>
    </message>
    <message>
        <source>SMPTE ST 2095-1 pink noise (10 Hz to 22.4 kHz) at the standard&apos;s own level, -18.5 dB against a full-scale sine; the Level slider does not apply. At 48 and 96 kHz in 24 bits, sample for sample the standard&apos;s.</source>
        <translation>SMPTE ST 2095-1 粉红噪声（10 Hz 至 22.4 kHz），采用标准规定的电平，相对满幅正弦波 -18.5 dB；电平滑块对它不起作用。在 48 kHz 和 96 kHz、24 位下与标准的生成程序逐个采样相同。</translation>
    </message>
    <message>
        <source>CEA-2010 tone bursts: 6.5 cycles of the Simple frequency under a Hann window, one a second, the peak at the level chosen.</source>
        <translation>CEA-2010 猝发音：“单一频率”的 6.5 个周期加汉宁窗，每秒一个，峰值为所选电平。</translation>
    </message>
    <message>
        <source>Power-test noise: pink noise from Scan From to Scan To, falling 12 dB per octave outside, peaks (between samples too) 6 dB above its RMS; loops without a seam.</source>
        <translation>功率测试噪声：从扫频起始频率到终止频率的粉红噪声，带外每倍频程衰减 12 dB，峰值（包括采样点之间）比 RMS 高 6 dB；可无缝循环。</translation>
    </message>
    <message>
        <source>Periodic pink noise: repeats every 65536 samples, each octave of that length&apos;s analysis at equal energy, for analysers without a window.</source>
        <translation>周期粉红噪声：每 65536 个采样重复一次，以该长度分析时每个倍频程能量相同，供频谱分析仪免加窗使用。</translation>
    </message>
</context>
<context>
    <name>WaveSaver</name>
    <message>
        <source>Save as WAV</source>
        <translation>保存为 WAV 文件</translation>
    </message>
    <message>
        <source>WAV files (*.wav)</source>
        <translation>WAV 文件 (*.wav)</translation>
    </message>
    <message>
        <source>This signal makes a WAV file larger than 4 GiB, which the format cannot hold. Choose a shorter time, a lower sample rate or precision, or fewer channels.</source>
        <translation>此信号生成的 WAV 文件将超过 4 GiB，超出该格式所能容纳的大小。请选择较短的时间、较低的采样率或精度，或较少的声道。</translation>
    </message>
</context>
<context>
    <name>quilbo::CFrequencyPage</name>
    <message>
        <source>Frequency</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Wave:</source>
        <translation>波形：</translation>
    </message>
    <message>
        <source>Sine</source>
        <translation>正弦波</translation>
    </message>
    <message>
        <source>Square </source>
        <translation>方波</translation>
    </message>
    <message>
        <source>Sawtooth</source>
        <translation>三角波</translation>
    </message>
    <message>
        <source>White Noise</source>
        <translation>白噪声</translation>
    </message>
    <message>
        <source>Pink Noise</source>
        <translation>粉红噪声</translation>
    </message>
    <message>
        <source>Brown Noise</source>
        <translation>褐噪声</translation>
    </message>
    <message>
        <source>TestType:</source>
        <translation>测试类型：</translation>
    </message>
    <message>
        <source>Simple</source>
        <translation>单频</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>扫频</translation>
    </message>
    <message>
        <source>Precision:</source>
        <translation>精度：</translation>
    </message>
    <message>
        <source>BIT</source>
        <translation>位</translation>
    </message>
    <message>
        <source>Sample:</source>
        <translation>采样率：</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>时间：</translation>
    </message>
    <message>
        <source>s</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Channels:</source>
        <translation>声道：</translation>
    </message>
    <message>
        <source>OPTC</source>
        <translation>反相双声道</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>循环</translation>
    </message>
    <message>
        <source>Frquency Scan</source>
        <translation>扫频范围</translation>
    </message>
    <message>
        <source>Scan From:</source>
        <translation>起始频率：</translation>
    </message>
    <message>
        <source>Hz  to:</source>
        <translation>Hz  至：</translation>
    </message>
    <message>
        <source>Simple Frquency</source>
        <translation>单一频率</translation>
    </message>
    <message>
        <source>Frquency:</source>
        <translation>频率：</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>播放</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Cencel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Could not get %1 bytes of memory for this signal.</source>
        <translation>无法为该信号分配 %1 字节的内存。</translation>
    </message>
    <message>
        <source>A test signal is playing in a loop.</source>
        <translation>测试信号正在循环播放。</translation>
    </message>
    <message>
        <source>Logarithmic</source>
        <translation>对数扫频</translation>
    </message>
    <message>
        <source>Equal time for every octave, as measurement programs sweep</source>
        <translation>每个倍频程用时相同，与测量软件的扫频方式一致</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>Save the signal as a WAV file</source>
        <translation>将信号保存为 WAV 文件</translation>
    </message>
    <message>
        <source>Fade in/out</source>
        <translation>淡入淡出</translation>
    </message>
    <message>
        <source>Output:</source>
        <translation>输出：</translation>
    </message>
    <message>
        <source>ST 2095-1 Pink Noise</source>
        <translation>ST 2095-1 粉红噪声</translation>
    </message>
    <message>
        <source>CEA-2010 Tone Bursts</source>
        <translation>CEA-2010 猝发音</translation>
    </message>
    <message>
        <source>Power-Test Noise</source>
        <translation>功率测试噪声</translation>
    </message>
    <message>
        <source>Periodic Pink Noise</source>
        <translation>周期粉红噪声</translation>
    </message>
    <message>
        <source>Could not get memory to work out this signal.</source>
        <translation>无法获得生成此信号所需的内存。</translation>
    </message>
</context>
</TS>
