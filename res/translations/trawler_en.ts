<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CAboutDlg</name>
    <message>
        <location filename="../../app/CAboutDlg.cpp" line="17"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../app/CAboutDlg.cpp" line="19"/>
        <source>关于 Trawler</source>
        <translation>About Trawler</translation>
    </message>
    <message>
        <location filename="../../app/CAboutDlg.cpp" line="27"/>
        <source>Trawler 0.99 版</source>
        <translation>Trawler version 0.99</translation>
    </message>
    <message>
        <location filename="../../app/CAboutDlg.cpp" line="31"/>
        <source>版权所有 (C) 2004 Trawler 开发组</source>
        <translation>Copyright (C) 2004 the Trawler developers</translation>
    </message>
</context>
<context>
    <name>CChangedMacDlg</name>
    <message numerus="yes">
        <location filename="../../app/CChangedMacDlg.cpp" line="19"/>
        <source>以下 %n 个IP地址的MAC地址发生了改变:</source>
        <translation>
            <numerusform>The MAC address of %n IP address has changed:</numerusform>
            <numerusform>The MAC addresses of %n IP addresses have changed:</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../../app/CChangedMacDlg.cpp" line="22"/>
        <source>IP地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <location filename="../../app/CChangedMacDlg.cpp" line="22"/>
        <source>记录的MAC地址</source>
        <translation>Recorded MAC</translation>
    </message>
    <message>
        <location filename="../../app/CChangedMacDlg.cpp" line="22"/>
        <source>现在的MAC地址</source>
        <translation>Seen MAC</translation>
    </message>
    <message>
        <location filename="../../app/CChangedMacDlg.cpp" line="30"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CFilterDlg</name>
    <message>
        <location filename="../../capture/CFilterDlg.cpp" line="45"/>
        <source>设置过滤条件</source>
        <translation>Filter</translation>
    </message>
    <message>
        <location filename="../../capture/CFilterDlg.cpp" line="57"/>
        <source>说明</source>
        <translation>Explanation</translation>
    </message>
    <message>
        <location filename="../../capture/CFilterDlg.cpp" line="63"/>
        <source>在此输入filter</source>
        <translation>Enter the filter here</translation>
    </message>
    <message>
        <location filename="../../capture/CFilterDlg.cpp" line="70"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../capture/CFilterDlg.cpp" line="71"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CHelpDlg</name>
    <message>
        <location filename="../../app/CHelpDlg.cpp" line="9"/>
        <source>帮助主题</source>
        <translation>Help topics</translation>
    </message>
</context>
<context>
    <name>CIpMacDlg</name>
    <message>
        <location filename="../../app/CIpMacDlg.cpp" line="24"/>
        <source>IP地址:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <location filename="../../app/CIpMacDlg.cpp" line="27"/>
        <source>MAC地址:</source>
        <translation>MAC address:</translation>
    </message>
    <message>
        <location filename="../../app/CIpMacDlg.cpp" line="38"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../app/CIpMacDlg.cpp" line="41"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CaptionFrame</name>
    <message>
        <location filename="../../skin/CaptionFrame.cpp" line="72"/>
        <source>还原(&amp;R)</source>
        <translation>&amp;Restore</translation>
    </message>
    <message>
        <location filename="../../skin/CaptionFrame.cpp" line="74"/>
        <source>移动(&amp;M)</source>
        <translation>&amp;Move</translation>
    </message>
    <message>
        <location filename="../../skin/CaptionFrame.cpp" line="76"/>
        <source>大小(&amp;S)</source>
        <translation>&amp;Size</translation>
    </message>
    <message>
        <location filename="../../skin/CaptionFrame.cpp" line="78"/>
        <source>最小化(&amp;N)</source>
        <translation>Mi&amp;nimize</translation>
    </message>
    <message>
        <location filename="../../skin/CaptionFrame.cpp" line="80"/>
        <source>最大化(&amp;X)</source>
        <translation>Ma&amp;ximize</translation>
    </message>
    <message>
        <location filename="../../skin/CaptionFrame.cpp" line="84"/>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="32"/>
        <location filename="../../app/CMainFrameStatus.cpp" line="205"/>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="37"/>
        <source>大写</source>
        <translation>CAP</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="37"/>
        <source>数字</source>
        <translation>NUM</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="37"/>
        <source>滚动</source>
        <translation>SCRL</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="56"/>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="57"/>
        <source>停止正在运行的报表或查询 (Esc)</source>
        <translation>Stop the running report or query (Esc)</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="63"/>
        <source>取消解析</source>
        <translation>Cancel parse</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="96"/>
        <source>%1: %2 个包</source>
        <translation>%1: %2 packets</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="108"/>
        <source>共 %1 行</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="115"/>
        <source>数据库: %1</source>
        <translation>Database: %1</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="122"/>
        <source>保存目录: %1</source>
        <translation>Save folder: %1</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="145"/>
        <source>正在截包: %1 个包</source>
        <translation>Capturing: %1 packets</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="181"/>
        <location filename="../../app/CMainFrameStatus.cpp" line="188"/>
        <source>取消解析并退出</source>
        <translation>Cancel the parse and quit</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="182"/>
        <source>等待解析完成后退出</source>
        <translation>Quit when the parse is done</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="182"/>
        <location filename="../../app/CMainFrameStatus.cpp" line="186"/>
        <source>不退出</source>
        <translation>Do not quit</translation>
    </message>
    <message numerus="yes">
        <location filename="../../app/CMainFrameStatus.cpp" line="185"/>
        <source>正在解析 %n 个文件. 取消解析, 还是等待解析完成后退出?</source>
        <translation>
            <numerusform>%n file is being parsed. Cancel the parse, or quit once it is done?</numerusform>
            <numerusform>%n files are being parsed. Cancel the parses, or quit once they are done?</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="201"/>
        <source>正在查询...</source>
        <translation>Querying...</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="211"/>
        <source>解析完成后退出</source>
        <translation>Quitting when the parse is done</translation>
    </message>
    <message>
        <location filename="../../app/CMainFrameStatus.cpp" line="213"/>
        <source>正在解析 %1: %2%</source>
        <translation>Parsing %1: %2%</translation>
    </message>
    <message>
        <source>正在解析 %1: 正在等待另一个运行结束...</source>
        <translation>Parsing %1: waiting for another run to finish...</translation>
    </message>
</context>
<context>
    <name>CParseDlg</name>
    <message>
        <location filename="../../capture/CParseDlg.cpp" line="22"/>
        <source>要解析的CAP文件位置:</source>
        <translation>Capture file to parse:</translation>
    </message>
    <message>
        <location filename="../../capture/CParseDlg.cpp" line="23"/>
        <source>要存放的MDB文件位置:</source>
        <translation>Database file to store into:</translation>
    </message>
    <message>
        <location filename="../../capture/CParseDlg.cpp" line="24"/>
        <location filename="../../capture/CParseDlg.cpp" line="25"/>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <location filename="../../capture/CParseDlg.cpp" line="26"/>
        <source>开始解析</source>
        <translation>Start parse</translation>
    </message>
    <message>
        <location filename="../../capture/CParseDlg.cpp" line="27"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../../capture/CParseDlg.cpp" line="73"/>
        <source>选择要解析的cap文件</source>
        <translation>Capture file to parse</translation>
    </message>
    <message>
        <location filename="../../capture/CParseDlg.cpp" line="79"/>
        <source>选择要存储的mdb文件</source>
        <translation>Database file to store into</translation>
    </message>
</context>
<context>
    <name>CQueryResultDlg</name>
    <message>
        <location filename="../../app/CQueryResultDlg.cpp" line="1"/>
        <source>数据库引擎: %1</source>
        <translation>Database engine: %1</translation>
    </message>
</context>
<context>
    <name>JobObserver</name>
    <message>
        <location filename="../../app/JobObserver.cpp" line="1"/>
        <source>正在等待另一个运行结束...</source>
        <translation>Waiting for another run to finish...</translation>
    </message>
    <message>
        <location filename="../../app/JobObserver.cpp" line="1"/>
        <source>正在生成流量汇总 %1%</source>
        <translation>Building traffic summaries %1%</translation>
    </message>
</context>
<context>
    <name>CSaveDirDlg</name>
    <message>
        <location filename="../../capture/CSaveDirDlg.cpp" line="15"/>
        <source>输入要保存所得cap文件的目录:</source>
        <translation>Folder to save capture files in:</translation>
    </message>
    <message>
        <location filename="../../capture/CSaveDirDlg.cpp" line="17"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../capture/CSaveDirDlg.cpp" line="18"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CTrawlerView</name>
    <message>
        <source>正在监视. 请先停止监视, 再开始截包.</source>
        <translation>A watch is running. Stop the watch before starting a capture.</translation>
    </message>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>no</translation>
    </message>
    <message>
        <source>编号</source>
        <translation>Id</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>级别</source>
        <translation>Severity</translation>
    </message>
    <message>
        <source>原MAC</source>
        <translation>Previous MAC</translation>
    </message>
    <message>
        <source>厂商</source>
        <translation>Vendor</translation>
    </message>
    <message>
        <source>来源</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>次数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>时间窗(秒)</source>
        <translation>Window (s)</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>已确认</source>
        <translation>Acknowledged</translation>
    </message>
    <message>
        <source>数据库中没有警报.</source>
        <translation>The database holds no alerts.</translation>
    </message>
    <message>
        <source>红色: 未确认的警报. 选中若干行后按"确认警报"只确认这些行; 不选则确认全部.</source>
        <translation>Red: alerts not yet acknowledged. Select rows and press "Acknowledge" to acknowledge those; with none selected, every alert is acknowledged.</translation>
    </message>
    <message>
        <source>确认警报</source>
        <translation>Acknowledge</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerView.cpp" line="117"/>
        <source>选择要保存mdb文件的地址</source>
        <translation>Where to save the database file</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerView.cpp" line="136"/>
        <source>选择要初始化的mdb文件</source>
        <translation>Database file to initialise</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewReports.cpp" line="122"/>
        <source>选择mdb文件</source>
        <translation>Choose the database file</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewReports.cpp" line="217"/>
        <source>自定义查询:</source>
        <translation>Query:</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewReports.cpp" line="232"/>
        <source>开始查询</source>
        <translation>Run</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewReports.cpp" line="272"/>
        <source>正在解析写入此数据库, 结果在解析完成后出现.</source>
        <translation>A parse is writing this database; the results appear once it has finished.</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewExport.cpp" line="76"/>
        <source>没有可以导出的报表: 请先显示一个报表.</source>
        <translation>There is no report to export: show a report first.</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewExport.cpp" line="83"/>
        <source>导出报表</source>
        <translation>Export report</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewExport.cpp" line="89"/>
        <source>报表已导出到 %1</source>
        <translation>The report was exported to %1</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewExport.cpp" line="90"/>
        <source>无法写入文件 %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <location filename="../../app/CTrawlerViewExport.cpp" line="94"/>
        <source>这个报表没有图表.</source>
        <translation>This report has no chart.</translation>
    </message>
</context>
<context>
    <name>CommandTable</name>
    <message>
        <source>监视</source>
        <translation>&amp;Watch</translation>
    </message>
    <message>
        <source>开始监视</source>
        <translation>Start watching</translation>
    </message>
    <message>
        <source>停止监视</source>
        <translation>Stop watching</translation>
    </message>
    <message>
        <source>显示警报</source>
        <translation>Show alerts</translation>
    </message>
    <message>
        <source>截包到保存目录, 逐个解析进所选数据库并检查警报</source>
        <translation>Capture into the save directory, parse each file into the chosen database and check it for alerts</translation>
    </message>
    <message>
        <source>停止监视; 正在写的文件解析完后结束</source>
        <translation>Stop watching; ends once the file being written is parsed</translation>
    </message>
    <message>
        <source>显示所选数据库中的警报, 最新的在前</source>
        <translation>Show the alerts of the chosen database, newest first</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="14"/>
        <location filename="../../app/CommandTable.cpp" line="25"/>
        <location filename="../../app/CommandTable.cpp" line="27"/>
        <location filename="../../app/CommandTable.cpp" line="29"/>
        <location filename="../../app/CommandTable.cpp" line="32"/>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="14"/>
        <location filename="../../app/CommandTable.cpp" line="36"/>
        <location filename="../../app/CommandTable.cpp" line="38"/>
        <location filename="../../app/CommandTable.cpp" line="40"/>
        <source>截包(&amp;C)</source>
        <translation>&amp;Capture</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="15"/>
        <location filename="../../app/CommandTable.cpp" line="43"/>
        <source>解析(&amp;P)</source>
        <translation>&amp;Parse</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="15"/>
        <location filename="../../app/CommandTable.cpp" line="47"/>
        <location filename="../../app/CommandTable.cpp" line="49"/>
        <location filename="../../app/CommandTable.cpp" line="51"/>
        <location filename="../../app/CommandTable.cpp" line="53"/>
        <location filename="../../app/CommandTable.cpp" line="55"/>
        <location filename="../../app/CommandTable.cpp" line="58"/>
        <location filename="../../app/CommandTable.cpp" line="60"/>
        <source>ICMP分析</source>
        <translation>ICMP</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="16"/>
        <location filename="../../app/CommandTable.cpp" line="64"/>
        <location filename="../../app/CommandTable.cpp" line="66"/>
        <location filename="../../app/CommandTable.cpp" line="68"/>
        <location filename="../../app/CommandTable.cpp" line="70"/>
        <source>ARP分析</source>
        <translation>ARP</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="16"/>
        <location filename="../../app/CommandTable.cpp" line="73"/>
        <location filename="../../app/CommandTable.cpp" line="75"/>
        <location filename="../../app/CommandTable.cpp" line="77"/>
        <location filename="../../app/CommandTable.cpp" line="79"/>
        <location filename="../../app/CommandTable.cpp" line="81"/>
        <source>IP流量分析</source>
        <translation>IP traffic</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="17"/>
        <location filename="../../app/CommandTable.cpp" line="84"/>
        <location filename="../../app/CommandTable.cpp" line="86"/>
        <source>SYN分析</source>
        <translation>SYN</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="17"/>
        <location filename="../../app/CommandTable.cpp" line="89"/>
        <location filename="../../app/CommandTable.cpp" line="93"/>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="25"/>
        <source>建立mdb文件</source>
        <translation>Create database file</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="26"/>
        <source>建立新的MDB文件</source>
        <translation>Create a new database file</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="27"/>
        <source>初始化mdb文件</source>
        <translation>Initialise database file</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="28"/>
        <source>初始化MDB文件，在选定的mdb中建表</source>
        <translation>Initialise a database file: create the tables in it</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="29"/>
        <source>导出报表...</source>
        <translation>&amp;Export report...</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="30"/>
        <source>把显示的报表保存为CSV或HTML文件, 或把图表保存为SVG或PNG图片</source>
        <translation>Save the report shown as CSV or HTML, or its chart as SVG or PNG</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="32"/>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="33"/>
        <source>退出应用程序；提示保存文档</source>
        <translation>Quit the application</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="33"/>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="36"/>
        <source>设置保存目录</source>
        <translation>Set save folder</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="37"/>
        <source>设置CAP文件保存目录</source>
        <translation>Set the folder capture files are saved in</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="38"/>
        <source>开始(&amp;B)</source>
        <translation>&amp;Begin</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="39"/>
        <source>开始截包</source>
        <translation>Start capture</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="40"/>
        <source>停止(&amp;V)</source>
        <translation>Sto&amp;p</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="41"/>
        <source>停止截包</source>
        <translation>Stop capture</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="44"/>
        <source>选择cap文件及数据库位置...</source>
        <translation>Choose capture file and database...</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="45"/>
        <source>选择要解析的MDB文件以及存放位置</source>
        <translation>Choose the file to parse and the database to store it in</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="47"/>
        <location filename="../../app/CommandTable.cpp" line="48"/>
        <location filename="../../app/CommandTable.cpp" line="64"/>
        <location filename="../../app/CommandTable.cpp" line="65"/>
        <location filename="../../app/CommandTable.cpp" line="73"/>
        <location filename="../../app/CommandTable.cpp" line="74"/>
        <location filename="../../app/CommandTable.cpp" line="84"/>
        <location filename="../../app/CommandTable.cpp" line="85"/>
        <source>选择要分析的数据库</source>
        <translation>Choose database to analyse</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="49"/>
        <source>统计扫描者</source>
        <translation>Scanners</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="50"/>
        <source>统计ICMP扫描者</source>
        <translation>ICMP scanners</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="51"/>
        <source>统计被扫描者</source>
        <translation>Scanned hosts</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="52"/>
        <source>统计ICMP被扫描者</source>
        <translation>Hosts scanned by ICMP</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="53"/>
        <source>统计扫描关系</source>
        <translation>Scan relations</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="54"/>
        <source>统计ICMP扫描关系</source>
        <translation>ICMP scan relations</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="56"/>
        <source>扫描者所用ICMP数据包总长度</source>
        <translation>Total ICMP length per scanner</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="57"/>
        <source>统计扫描者所用数据包长度</source>
        <translation>Packet length used by each scanner</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="58"/>
        <source>各ICMP包类型所占百分比</source>
        <translation>ICMP type shares</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="59"/>
        <source>显示各ICMP包类型所占百分比</source>
        <translation>Show the share of each ICMP type</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="61"/>
        <source>显示数据库中所有ICMP数据</source>
        <translation>Show all ICMP data</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="62"/>
        <source>显示ICMP表中所有数据</source>
        <translation>Show every row of the ICMP table</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="66"/>
        <source>插入数据到IP-MAC映射表</source>
        <translation>Insert into IP-MAC table</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="67"/>
        <source>插入数据到IP-MAC表</source>
        <translation>Insert into the IP-MAC table</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="68"/>
        <location filename="../../app/CommandTable.cpp" line="69"/>
        <source>修改IP-MAC映射关系</source>
        <translation>Modify IP-MAC binding</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="70"/>
        <source>得到本网IP与MAC映射表</source>
        <translation>LAN IP-MAC map</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="71"/>
        <source>得到本网IP与MAC映射表，提示MAC发生改变的IP</source>
        <translation>LAN IP-MAC map; warns of IPs whose MAC changed</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="75"/>
        <location filename="../../app/CommandTable.cpp" line="76"/>
        <source>目的IP流量统计</source>
        <translation>Traffic by destination IP</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="77"/>
        <source>TCP端端连接流量统计</source>
        <translation>TCP traffic between endpoints</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="78"/>
        <source>TCP端端流量统计</source>
        <translation>TCP endpoint traffic</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="79"/>
        <source>UDP端端连接流量统计</source>
        <translation>UDP traffic between endpoints</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="80"/>
        <source>UDP端端流量统计</source>
        <translation>UDP endpoint traffic</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="81"/>
        <location filename="../../app/CommandTable.cpp" line="82"/>
        <source>局域网互访关系统计</source>
        <translation>LAN access relations</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="86"/>
        <source>显示数据库中所有数据</source>
        <translation>Show all data</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="87"/>
        <source>显示SYN表中所有数据</source>
        <translation>Show every row of the SYN table</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="90"/>
        <source>关于 Trawler(&amp;A)...</source>
        <translation>&amp;About Trawler...</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="91"/>
        <source>显示程序信息，版本号和版权</source>
        <translation>Show program information, version and copyright</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="91"/>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="93"/>
        <source>帮助主题</source>
        <translation>Help topics</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="96"/>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="98"/>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="100"/>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <location filename="../../app/CommandTable.cpp" line="102"/>
        <source>开始查询</source>
        <translation>Run</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../../app/LockIndicators.cpp" line="53"/>
        <source>此平台不提供键盘锁定状态</source>
        <translation>This platform does not report the keyboard&apos;s lock states</translation>
    </message>
</context>
<context>
    <name>WatchController</name>
    <message>
        <source>正在解析写入此数据库. 请在解析完成后开始监视.</source>
        <translation>A parse is writing into this database. Start watching once it has finished.</translation>
    </message>
    <message>
        <source>监视已在运行.</source>
        <translation>Watching is already running.</translation>
    </message>
    <message>
        <source>正在截包. 请先停止截包, 再开始监视.</source>
        <translation>A capture is running. Stop it before you start watching.</translation>
    </message>
    <message>
        <source>%1 未能解析: %2</source>
        <translation>%1 was not parsed: %2</translation>
    </message>
    <message>
        <source>监视已停止: 截获 %1 个包, %2 个文件, %3 个新警报.</source>
        <translation>Watching stopped: %1 packets captured in %2 files, %3 new alerts.</translation>
    </message>
    <message>
        <source>正在停止监视: %1 个新警报</source>
        <translation>Stopping the watch: %1 new alerts</translation>
    </message>
    <message>
        <source>监视中: %1 个新警报</source>
        <translation>Watching: %1 new alerts</translation>
    </message>
</context>
</TS>
