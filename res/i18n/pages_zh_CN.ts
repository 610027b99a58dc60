<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DataExchange</name>
    <message>
        <source>Please enter an integer.</source>
        <translation>请输入一个整数。</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>请输入一个介于 %1 和 %2 之间的整数。</translation>
    </message>
</context>
<context>
    <name>FileMessages</name>
    <message>
        <source>The data make no file of this kind.</source>
        <translation>这些数据无法构成此类文件。</translation>
    </message>
    <message>
        <source>The file would be larger than its format can hold.</source>
        <translation>文件将超出其格式所能容纳的大小。</translation>
    </message>
    <message>
        <source>There is no folder to keep measurements in (neither XDG_DATA_HOME nor HOME is set).</source>
        <translation>没有可保存测量的文件夹（XDG_DATA_HOME 和 HOME 均未设置）。</translation>
    </message>
    <message>
        <source>It is not a regular file, and Quilbo does not write over devices, pipes or folders.</source>
        <translation>它不是普通文件，Quilbo 不会覆盖设备、管道或文件夹。</translation>
    </message>
    <message>
        <source>There is not enough room on the disk.</source>
        <translation>磁盘空间不足。</translation>
    </message>
    <message>
        <source>You may not write to that folder.</source>
        <translation>没有写入该文件夹的权限。</translation>
    </message>
    <message>
        <source>The folder does not exist.</source>
        <translation>该文件夹不存在。</translation>
    </message>
    <message>
        <source>A folder of that name is in the way.</source>
        <translation>已有同名的文件夹。</translation>
    </message>
    <message>
        <source>The system reports: %1.</source>
        <translation>系统报告：%1。</translation>
    </message>
    <message>
        <source>Could not save %1: it is not a regular file, and Quilbo does not write over devices, pipes or folders. Nothing was written.</source>
        <translation>无法保存 %1：它不是普通文件，Quilbo 不会覆盖设备、管道或文件夹。没有写入任何内容。</translation>
    </message>
    <message>
        <source>Could not save %1. %2 Nothing was written.</source>
        <translation>无法保存 %1。%2未写入任何内容。</translation>
    </message>
    <message>
        <source>it is gone</source>
        <translation>文件已不存在</translation>
    </message>
    <message>
        <source>it is a folder, a FIFO or a device, not a file</source>
        <translation>它是文件夹、FIFO 或设备，而不是文件</translation>
    </message>
    <message>
        <source>its symbolic links lead in a loop</source>
        <translation>其符号链接构成循环</translation>
    </message>
    <message>
        <source>permission to read it is denied</source>
        <translation>没有读取它的权限</translation>
    </message>
    <message>
        <source>it is far larger than any measurement</source>
        <translation>它远大于任何测量文件</translation>
    </message>
    <message>
        <source>the system cannot read it (%1)</source>
        <translation>系统无法读取它（%1）</translation>
    </message>
</context>
<context>
    <name>MeasureMessages</name>
    <message>
        <source>The sample rate %1 Hz is outside 8000 to 768000 Hz.</source>
        <translation>采样率 %1 Hz 超出 8000 至 768000 Hz 的范围。</translation>
    </message>
    <message>
        <source>The start frequency %1 Hz is outside 10 Hz to 0.45 times the sample rate.</source>
        <translation>起始频率 %1 Hz 超出 10 Hz 至采样率 0.45 倍的范围。</translation>
    </message>
    <message>
        <source>The end frequency %1 Hz is outside 10 Hz to 0.45 times the sample rate.</source>
        <translation>终止频率 %1 Hz 超出 10 Hz 至采样率 0.45 倍的范围。</translation>
    </message>
    <message>
        <source>The end frequency must be above the start frequency.</source>
        <translation>终止频率必须高于起始频率。</translation>
    </message>
    <message>
        <source>The sweep length %1 s is outside 1 to 30 s.</source>
        <translation>扫频时长 %1 秒超出 1 至 30 秒的范围。</translation>
    </message>
    <message>
        <source>The level %1 dBFS is outside -100 to 0 dBFS.</source>
        <translation>电平 %1 dBFS 超出 -100 至 0 dBFS 的范围。</translation>
    </message>
    <message>
        <source>Each fade must last 0 s to a tenth of the sweep.</source>
        <translation>每段淡入淡出必须在 0 秒至扫频时长的十分之一之间。</translation>
    </message>
    <message>
        <source>The frequency axis needs 1 to 96 points an octave.</source>
        <translation>频率轴每个倍频程需要 1 至 96 个点。</translation>
    </message>
    <message>
        <source>The gate must be 0 (none) to 10000 ms.</source>
        <translation>时间窗必须为 0（不加窗）至 10000 毫秒。</translation>
    </message>
    <message>
        <source>The clipping level must lie above 0 and at most 1.</source>
        <translation>削波电平必须大于 0 且不超过 1。</translation>
    </message>
    <message>
        <source>The sweep&apos;s start must lie inside the recording&apos;s part for it, and that part inside the recording.</source>
        <translation>扫频的起点必须位于录音中分给它的片段之内，且该片段必须位于录音之内。</translation>
    </message>
    <message>
        <source>The recording ends before the sweep does.</source>
        <translation>录音在扫频结束之前就结束了。</translation>
    </message>
    <message>
        <source>The recording holds a sample that is not a number.</source>
        <translation>录音中含有非数值的采样。</translation>
    </message>
    <message>
        <source>The recording is clipped (%1 samples at full scale): lower the output or input level.</source>
        <translation>录音已削波（%1 个采样达到满幅）：请降低输出或输入电平。</translation>
    </message>
    <message>
        <source>The sweep was not heard in the recording.</source>
        <translation>录音中没有听到扫频。</translation>
    </message>
    <message>
        <source>The response peaks before the sweep began: check the sweep&apos;s start.</source>
        <translation>响应的峰值出现在扫频开始之前：请检查扫频的起点。</translation>
    </message>
    <message>
        <source>The recording ends before the end of the sweep arrived: record %1 ms longer.</source>
        <translation>录音在扫频末尾到达之前就结束了：请多录 %1 毫秒。</translation>
    </message>
    <message>
        <source>The Sens Factor has no number of dB after &apos;=&apos;.</source>
        <translation>Sens Factor 的“=”之后没有 dB 数值。</translation>
    </message>
    <message>
        <source>Expected &quot;frequency dB&quot; or &quot;frequency dB phase&quot;, found %1 values.</source>
        <translation>应为“频率 dB”或“频率 dB 相位”，却有 %1 个数值。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a number.</source>
        <translation>“%1”不是数字。</translation>
    </message>
    <message>
        <source>The frequency must be above 0 Hz.</source>
        <translation>频率必须大于 0 Hz。</translation>
    </message>
    <message>
        <source>The frequencies must rise from line to line.</source>
        <translation>频率必须逐行递增。</translation>
    </message>
    <message>
        <source>A deviation beyond 100 dB is not a microphone&apos;s.</source>
        <translation>超过 100 dB 的偏差不可能来自麦克风。</translation>
    </message>
    <message>
        <source>Some lines give a phase and others do not.</source>
        <translation>有些行给出了相位，有些行没有。</translation>
    </message>
    <message>
        <source>The file holds no calibration points.</source>
        <translation>该文件不含任何校准点。</translation>
    </message>
    <message>
        <source>The file is larger than 4 MiB, too large for a calibration file.</source>
        <translation>该文件大于 4 MiB，作为校准文件太大。</translation>
    </message>
    <message>
        <source>The file cannot be read.</source>
        <translation>无法读取该文件。</translation>
    </message>
    <message>
        <source>The file cannot be read: %1.</source>
        <translation>无法读取该文件：%1。</translation>
    </message>
    <message>
        <source>The calibration file %1 is refused: line %2: %3</source>
        <translation>校准文件 %1 被拒绝：第 %2 行：%3</translation>
    </message>
    <message>
        <source>The calibration file %1 is refused: %2</source>
        <translation>校准文件 %1 被拒绝：%2</translation>
    </message>
    <message>
        <source>There is no measurement &quot;%1&quot;.</source>
        <translation>没有名为“%1”的测量。</translation>
    </message>
    <message>
        <source>It is not a Quilbo measurement file.</source>
        <translation>它不是 Quilbo 测量文件。</translation>
    </message>
    <message>
        <source>It was written in a newer format (%1) than this version reads.</source>
        <translation>它以更新的格式（%1）写成，本版本无法读取。</translation>
    </message>
    <message>
        <source>It is truncated or corrupt: its header never ends.</source>
        <translation>文件被截断或已损坏：文件头没有结尾。</translation>
    </message>
    <message>
        <source>It is corrupt: a line of its header has no &apos;=&apos;.</source>
        <translation>文件已损坏：文件头中有一行没有“=”。</translation>
    </message>
    <message>
        <source>It is corrupt: its field &quot;%1&quot; is missing or wrong.</source>
        <translation>文件已损坏：字段“%1”缺失或有误。</translation>
    </message>
    <message>
        <source>It is corrupt: the sweep it describes is impossible.</source>
        <translation>文件已损坏：其中描述的扫频不可能存在。</translation>
    </message>
    <message>
        <source>It is corrupt: it declares more samples than any measurement has.</source>
        <translation>文件已损坏：声明的采样数超过任何测量所能有的数量。</translation>
    </message>
    <message>
        <source>It is truncated: %1 bytes of its data are missing.</source>
        <translation>文件被截断：数据缺少 %1 个字节。</translation>
    </message>
    <message>
        <source>It is corrupt: it holds more data than its header declares.</source>
        <translation>文件已损坏：数据多于文件头所声明的数量。</translation>
    </message>
    <message>
        <source>It is corrupt: its data do not match their checksum.</source>
        <translation>文件已损坏：数据与校验和不符。</translation>
    </message>
    <message>
        <source>The file could not be removed.</source>
        <translation>无法删除该文件。</translation>
    </message>
    <message>
        <source>The file could not be removed (%1).</source>
        <translation>无法删除该文件（%1）。</translation>
    </message>
    <message>
        <source>The level must be a number of dBFS from -100 to %1.</source>
        <translation>电平必须是 -100 至 %1 之间的 dBFS 数值。</translation>
    </message>
    <message>
        <source>The range must go from at least 10 Hz to at most %1 Hz, its end above twice its start.</source>
        <translation>频率范围必须从至少 10 Hz 到至多 %1 Hz，且终止频率高于起始频率的两倍。</translation>
    </message>
    <message>
        <source>The reference&apos;s loopback was not heard on the input&apos;s second channel: check the cable from the reference channel to that input.</source>
        <translation>在输入的第二声道上没有听到参考声道的环回信号：请检查从参考声道到该输入的连线。</translation>
    </message>
    <message>
        <source>The sweep is only %1 dB above the noise, too little to trust (at least 20 dB): raise the level or quieten the room.</source>
        <translation>扫频仅高出噪声 %1 dB，不足以信赖（至少需要 20 dB）：请提高电平或让房间安静下来。</translation>
    </message>
    <message>
        <source>The recording was disturbed at %1 s: a stretch of sound is missing.</source>
        <translation>录音在 %1 秒处受到干扰：缺失了一段声音。</translation>
    </message>
    <message>
        <source>The recording was disturbed at %1 s: sound was dropped or repeated, or a sound not of the sweep was heard.</source>
        <translation>录音在 %1 秒处受到干扰：声音被丢弃或重复，或录到了不属于扫频的声音。</translation>
    </message>
    <message>
        <source>The recording was disturbed: the output ran dry %1 times.</source>
        <translation>录音受到干扰：输出断流 %1 次。</translation>
    </message>
    <message>
        <source>The recording was disturbed: the input lost sound %1 times.</source>
        <translation>录音受到干扰：输入丢失声音 %1 次。</translation>
    </message>
    <message>
        <source>The recording was disturbed at %1 s: its level changed during the sweep (a volume or a gain control turned?).</source>
        <translation>录音在 %1 秒处受到干扰：扫频期间电平发生了变化（是否调节了音量或增益？）。</translation>
    </message>
</context>
<context>
    <name>PlayerMessages</name>
    <message>
        <source>UnSupported Format.</source>
        <translation>不支持的格式。</translation>
    </message>
    <message>
        <source>Failed to open waveform output device.</source>
        <translation>无法打开波形输出设备。</translation>
    </message>
    <message>
        <source>The sound output went away: playback has ended.</source>
        <translation>声音输出设备已消失：播放已结束。</translation>
    </message>
</context>
<context>
    <name>RecordMessages</name>
    <message>
        <source>The rate %1 Hz is not one a sound server takes.</source>
        <translation>声音服务器不接受 %1 Hz 的采样率。</translation>
    </message>
    <message>
        <source>There is no sweep to play.</source>
        <translation>没有可播放的扫频。</translation>
    </message>
    <message>
        <source>The sweep is longer than 10 minutes.</source>
        <translation>扫频长于 10 分钟。</translation>
    </message>
    <message>
        <source>The sweep holds a sample that is not a number.</source>
        <translation>扫频中含有非数值的采样。</translation>
    </message>
    <message>
        <source>The gap and the tail must each last 0 to 60 seconds.</source>
        <translation>间隔和尾段都必须为 0 至 60 秒。</translation>
    </message>
    <message>
        <source>The output has %1 channels, more or fewer than can be played.</source>
        <translation>该输出有 %1 个声道，无法以此声道数播放。</translation>
    </message>
    <message>
        <source>Choose 1 to 256 channels to play in turn.</source>
        <translation>请选择 1 至 256 个依次播放的声道。</translation>
    </message>
    <message>
        <source>Channel %1 is not one of the output&apos;s.</source>
        <translation>声道 %1 不属于该输出。</translation>
    </message>
    <message>
        <source>The sweeps, gaps and tail would last more than 10 minutes.</source>
        <translation>扫频、间隔和尾段合计将超过 10 分钟。</translation>
    </message>
    <message>
        <source>The sound server would not make a stream.</source>
        <translation>声音服务器无法建立音频流。</translation>
    </message>
    <message>
        <source>There is not enough memory for the recording.</source>
        <translation>内存不足，无法录音。</translation>
    </message>
    <message>
        <source>The input %1 sends nothing.</source>
        <translation>输入 %1 没有送来任何声音。</translation>
    </message>
    <message>
        <source>The output %1 did not start playing.</source>
        <translation>输出 %1 没有开始播放。</translation>
    </message>
    <message>
        <source>The sound server stopped answering.</source>
        <translation>声音服务器停止了响应。</translation>
    </message>
    <message>
        <source>This program has no recorder: nothing can be measured.</source>
        <translation>本程序没有录音器，无法进行测量。</translation>
    </message>
    <message>
        <source>Another measurement is running; try again when it has finished.</source>
        <translation>另一项测量正在进行；请在其结束后再试。</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>已停止。</translation>
    </message>
    <message>
        <source>The measurement cannot be played as asked.</source>
        <translation>无法按要求播放该测量。</translation>
    </message>
    <message>
        <source>No sound server answers.</source>
        <translation>没有声音服务器响应。</translation>
    </message>
    <message>
        <source>There is no default output.</source>
        <translation>没有默认输出。</translation>
    </message>
    <message>
        <source>There is no output named %1.</source>
        <translation>没有名为 %1 的输出。</translation>
    </message>
    <message>
        <source>There is no default input.</source>
        <translation>没有默认输入。</translation>
    </message>
    <message>
        <source>There is no input named %1.</source>
        <translation>没有名为 %1 的输入。</translation>
    </message>
    <message>
        <source>The output or the input refused the sample rate or the channel count.</source>
        <translation>输出或输入不接受该采样率或声道数。</translation>
    </message>
    <message>
        <source>The output %1 went away while playing.</source>
        <translation>输出 %1 在播放时消失了。</translation>
    </message>
    <message>
        <source>The input %1 went away while recording.</source>
        <translation>输入 %1 在录音时消失了。</translation>
    </message>
    <message>
        <source>The measurement failed.</source>
        <translation>测量失败。</translation>
    </message>
    <message>
        <source>Channel %1: %2</source>
        <translation>声道 %1：%2</translation>
    </message>
    <message>
        <source>Nothing was measured.</source>
        <translation>没有测得任何结果。</translation>
    </message>
    <message>
        <source>The input %1 has no second channel for the reference&apos;s loopback.</source>
        <translation>输入 %1 没有可接参考声道环回的第二声道。</translation>
    </message>
    <message>
        <source>Measured again: the first %1 sweeps were disturbed.</source>
        <translation>已重新测量：前 %1 次扫频受到干扰。</translation>
    </message>
    <message>
        <source>Measured again: the first sweep was disturbed at %1 s.</source>
        <translation>已重新测量：第一次扫频在 %1 秒处受到干扰。</translation>
    </message>
    <message>
        <source>Measured again: the first sweep was disturbed.</source>
        <translation>已重新测量：第一次扫频受到干扰。</translation>
    </message>
</context>
<context>
    <name>SpeakerNames</name>
    <message>
        <source>Front left</source>
        <translation>左前</translation>
    </message>
    <message>
        <source>Front right</source>
        <translation>右前</translation>
    </message>
    <message>
        <source>Rear left</source>
        <translation>左后</translation>
    </message>
    <message>
        <source>Rear right</source>
        <translation>右后</translation>
    </message>
    <message>
        <source>Centre</source>
        <translation>中置</translation>
    </message>
    <message>
        <source>Subwoofer (LFE)</source>
        <translation>低音炮 (LFE)</translation>
    </message>
</context>
<context>
    <name>quilbo::OutputChoice</name>
    <message>
        <source>System default</source>
        <translation>系统默认</translation>
    </message>
    <message>
        <source>System default (%1)</source>
        <translation>系统默认（%1）</translation>
    </message>
</context>
</TS>
