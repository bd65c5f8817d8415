<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CalibrationLogDialog</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>0点标定AD</source>
        <translation>Zero AD</translation>
    </message>
    <message>
        <source>任一点标定AD</source>
        <translation>Span AD</translation>
    </message>
    <message>
        <source>标定重量(kg)</source>
        <translation>Weight (kg)</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>标定记录</source>
        <translation>Calibration Log</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>导出…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>导出标定记录</source>
        <translation>Export calibration log</translation>
    </message>
    <message>
        <source>标定记录.csv</source>
        <translation>calibration-log.csv</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>导出失败，请确认文件是否可写！</source>
        <translation>Export failed, please check that the file can be written!</translation>
    </message>
    <message>
        <source>零点</source>
        <translation>Zero point</translation>
    </message>
    <message>
        <source>任一点</source>
        <translation>With weight</translation>
    </message>
    <message>
        <source>共 %1 条记录</source>
        <translation>%1 record(s)</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>Exported to %1</translation>
    </message>
</context>
<context>
    <name>CalibrationPage</name>
    <message>
        <source>标定设置</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>标定地:</source>
        <translation>Calibration place:</translation>
    </message>
    <message>
        <source>韶关</source>
        <translation>Shaoguan</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>任意点重量:</source>
        <translation>Reference weight:</translation>
    </message>
    <message>
        <source>零点标定</source>
        <translation>Zero-point calibration</translation>
    </message>
    <message>
        <source>任一点标定</source>
        <translation>Span calibration</translation>
    </message>
    <message>
        <source>其它设置</source>
        <translation>Other settings</translation>
    </message>
    <message>
        <source>分度值:</source>
        <translation>Division:</translation>
    </message>
    <message>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>设置分度值</source>
        <translation>Set division</translation>
    </message>
    <message>
        <source>量程:</source>
        <translation>Capacity:</translation>
    </message>
    <message>
        <source>设置量程</source>
        <translation>Set capacity</translation>
    </message>
    <message>
        <source>提示：默认分度值：重量值&lt;6kg时，分度值为2g；
重量值&gt;=6kg时，分度值为5g；</source>
        <translation>Note: the default division is 2 g below 6 kg
and 5 g from 6 kg on.</translation>
    </message>
    <message>
        <source>查询零点跟踪状态</source>
        <translation>Query zero tracking</translation>
    </message>
    <message>
        <source>开启零点跟踪</source>
        <translation>Zero tracking on</translation>
    </message>
    <message>
        <source>关闭零点跟踪</source>
        <translation>Zero tracking off</translation>
    </message>
    <message>
        <source>读版本</source>
        <translation>Read version</translation>
    </message>
    <message>
        <source>平移清零</source>
        <translation>Shift zero</translation>
    </message>
    <message>
        <source>查询标定记录</source>
        <translation>Calibration log</translation>
    </message>
    <message>
        <source>查询峰鸣器状态</source>
        <translation>Query beeper</translation>
    </message>
    <message>
        <source>开启峰鸣器</source>
        <translation>Beeper on</translation>
    </message>
    <message>
        <source>关闭峰鸣器</source>
        <translation>Beeper off</translation>
    </message>
    <message>
        <source>示值</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>实际值：</source>
        <translation>Actual value: </translation>
    </message>
    <message>
        <source>基数值：</source>
        <translation>Base value: </translation>
    </message>
    <message>
        <source>取基值</source>
        <translation>Take base</translation>
    </message>
    <message>
        <source>清基值</source>
        <translation>Clear base</translation>
    </message>
    <message>
        <source>提示：
1、任意点标定推荐使用满量程重量标定</source>
        <translation>Note:
1. Calibrate the span with a full-capacity weight where you can.</translation>
    </message>
    <message>
        <source>基数值:</source>
        <translation>Base value: </translation>
    </message>
    <message>
        <source>砝码编号:</source>
        <translation>Weight ID:</translation>
    </message>
    <message>
        <source>可不填</source>
        <translation>optional</translation>
    </message>
    <message>
        <source>操作员:</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <source>生成标定证书</source>
        <translation>Certificate</translation>
    </message>
    <message>
        <source>保存为PDF…</source>
        <translation>Save as PDF…</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>标定证书-%1.pdf</source>
        <translation>calibration-certificate-%1.pdf</translation>
    </message>
    <message>
        <source>保存标定证书</source>
        <translation>Save calibration certificate</translation>
    </message>
    <message>
        <source>PDF 文件 (*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message>
        <source>证书保存失败，请确认文件是否可写！</source>
        <translation>Saving the certificate failed, please check that the file can be written!</translation>
    </message>
    <message>
        <source>标定证书</source>
        <translation>Calibration certificate</translation>
    </message>
    <message>
        <source>已保存到 %1</source>
        <translation>Saved to %1</translation>
    </message>
</context>
<context>
    <name>CityDialog</name>
    <message>
        <source>城市选择</source>
        <translation>Choose Place</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>选择使用不同区域、对称重示值有一定的影响！请确保使用区域是否正确？</source>
        <translation>The region chosen affects the weight shown! Is this the right region?</translation>
    </message>
    <message>
        <source>请选择相应的城市!</source>
        <translation>Please choose a place!</translation>
    </message>
</context>
<context>
    <name>CodeDialog</name>
    <message>
        <source>请输入：</source>
        <translation>Code:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>请输入!</source>
        <translation>Please enter the code!</translation>
    </message>
</context>
<context>
    <name>GeneralError</name>
    <message>
        <source>当前没有选择默认打印机。</source>
        <translation>There is no default printer currently selected.</translation>
    </message>
    <message>
        <source>无法打开日志文件“%1”：%2</source>
        <translation>Cannot open log file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>无法移开日志文件“%1”：%2</source>
        <translation>Cannot rename log file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>无法写入日志文件“%1”：%2</source>
        <translation>Cannot write to log file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>无法关闭日志文件“%1”：%2</source>
        <translation>Cannot close log file &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>GravityTable</name>
    <message>
        <source>广东-韶关</source>
        <translation>Guangdong-Shaoguan</translation>
    </message>
    <message>
        <source>西藏</source>
        <translation>Tibet</translation>
    </message>
    <message>
        <source>云南省</source>
        <translation>Yunnan</translation>
    </message>
    <message>
        <source>海南省</source>
        <translation>Hainan</translation>
    </message>
    <message>
        <source>贵州省</source>
        <translation>Guizhou</translation>
    </message>
    <message>
        <source>广西</source>
        <translation>Guangxi</translation>
    </message>
    <message>
        <source>广东</source>
        <translation>Guangdong</translation>
    </message>
    <message>
        <source>福建省</source>
        <translation>Fujian</translation>
    </message>
    <message>
        <source>台湾</source>
        <translation>Taiwan</translation>
    </message>
    <message>
        <source>湖南省</source>
        <translation>Hunan</translation>
    </message>
    <message>
        <source>青海省</source>
        <translation>Qinghai</translation>
    </message>
    <message>
        <source>四川省</source>
        <translation>Sichuan</translation>
    </message>
    <message>
        <source>重庆市</source>
        <translation>Chongqing</translation>
    </message>
    <message>
        <source>浙江省</source>
        <translation>Zhejiang</translation>
    </message>
    <message>
        <source>江西省</source>
        <translation>Jiangxi</translation>
    </message>
    <message>
        <source>甘肃省</source>
        <translation>Gansu</translation>
    </message>
    <message>
        <source>陕西省</source>
        <translation>Shaanxi</translation>
    </message>
    <message>
        <source>湖北省</source>
        <translation>Hubei</translation>
    </message>
    <message>
        <source>安徽省</source>
        <translation>Anhui</translation>
    </message>
    <message>
        <source>宁夏</source>
        <translation>Ningxia</translation>
    </message>
    <message>
        <source>河南省</source>
        <translation>Henan</translation>
    </message>
    <message>
        <source>江苏省</source>
        <translation>Jiangsu</translation>
    </message>
    <message>
        <source>山西省</source>
        <translation>Shanxi</translation>
    </message>
    <message>
        <source>山东省</source>
        <translation>Shandong</translation>
    </message>
    <message>
        <source>内蒙古</source>
        <translation>Inner Mongolia</translation>
    </message>
    <message>
        <source>河北省</source>
        <translation>Hebei</translation>
    </message>
    <message>
        <source>新疆</source>
        <translation>Xinjiang</translation>
    </message>
    <message>
        <source>天津市</source>
        <translation>Tianjin</translation>
    </message>
    <message>
        <source>辽宁省</source>
        <translation>Liaoning</translation>
    </message>
    <message>
        <source>北京市</source>
        <translation>Beijing</translation>
    </message>
    <message>
        <source>吉林省</source>
        <translation>Jilin</translation>
    </message>
    <message>
        <source>上海市</source>
        <translation>Shanghai</translation>
    </message>
    <message>
        <source>黑龙江省</source>
        <translation>Heilongjiang</translation>
    </message>
    <message>
        <source>自定义</source>
        <translation>Custom</translation>
    </message>
</context>
<context>
    <name>Keypad</name>
    <message>
        <source>退格</source>
        <translation>Del</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>电子称配置工具V2.2</source>
        <translation>Scale Configuration Tool V2.2</translation>
    </message>
    <message>
        <source>电子称配置工具 </source>
        <translation>Scale Configuration Tool </translation>
    </message>
    <message>
        <source>称量</source>
        <translation>Weighing</translation>
    </message>
    <message>
        <source>使用设置</source>
        <translation>Place of Use</translation>
    </message>
    <message>
        <source>标定</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>打印机</source>
        <translation>Printer</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>您确定要退出系统吗？</source>
        <translation>Are you sure you want to exit?</translation>
    </message>
    <message>
        <source>配置文件中的波特率 BaudRate=%1 无效，使用 %2。</source>
        <translation>BaudRate=%1 in the settings file is not valid; %2 is used.</translation>
    </message>
    <message>
        <source>无数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>串口 %1 正在使用，是否关闭它并打开 %2？</source>
        <translation>Port %1 is in use. Close it and open %2?</translation>
    </message>
    <message>
        <source>未选择串口</source>
        <translation>No port chosen</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>电子称配置工具</source>
        <translation>Scale Configuration Tool</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>PlacePage</name>
    <message>
        <source>使用地设置</source>
        <translation>Place of use</translation>
    </message>
    <message>
        <source>1、直接选择</source>
        <translation>1. Choose from the table</translation>
    </message>
    <message>
        <source>使用地:</source>
        <translation>Place of use:</translation>
    </message>
    <message>
        <source>韶关</source>
        <translation>Shaoguan</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>2、自定义</source>
        <translation>2. Custom</translation>
    </message>
    <message>
        <source>海拔:</source>
        <translation>Altitude:</translation>
    </message>
    <message>
        <source>米</source>
        <translation>m</translation>
    </message>
    <message>
        <source>纬度：</source>
        <translation>Latitude:</translation>
    </message>
    <message>
        <source>度</source>
        <translation>degrees</translation>
    </message>
    <message>
        <source>分</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>重力加速度：</source>
        <translation>Gravity (m/s²):</translation>
    </message>
    <message>
        <source>计算</source>
        <translation>Calculate</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
</context>
<context>
    <name>ReceiptPrinting</name>
    <message>
        <source>      称量结果</source>
        <translation>      Weighing Result</translation>
    </message>
    <message>
        <source>皮重：</source>
        <translation>Tare: </translation>
    </message>
    <message>
        <source>重量：</source>
        <translation>Weight: </translation>
    </message>
    <message>
        <source>日期：</source>
        <translation>Date: </translation>
    </message>
    <message>
        <source>时间：</source>
        <translation>Time: </translation>
    </message>
    <message>
        <source>称量结果</source>
        <translation>Weighing Result</translation>
    </message>
    <message>
        <source>打印失败,请确认是否正确安装打印机驱动!</source>
        <translation>Printing failed, please check that the printer driver is installed correctly!</translation>
    </message>
</context>
<context>
    <name>ScaleSession</name>
    <message>
        <source>设置成功！</source>
        <translation>Setting accepted!</translation>
    </message>
    <message>
        <source>设置失败</source>
        <translation>Setting failed</translation>
    </message>
    <message>
        <source>设置失败！</source>
        <translation>Setting failed!</translation>
    </message>
    <message>
        <source>未标定零点！</source>
        <translation>Zero point not calibrated!</translation>
    </message>
    <message>
        <source>未标定任意点！</source>
        <translation>Span not calibrated!</translation>
    </message>
    <message>
        <source>请打开标定开关！</source>
        <translation>Please open the calibration switch!</translation>
    </message>
    <message>
        <source>零点标定成功！</source>
        <translation>Zero-point calibration done!</translation>
    </message>
    <message>
        <source>手动置零成功！</source>
        <translation>Zeroing done!</translation>
    </message>
    <message>
        <source>手动置零失败！</source>
        <translation>Zeroing failed!</translation>
    </message>
    <message>
        <source>任意点标定成功！</source>
        <translation>Span calibration done!</translation>
    </message>
    <message>
        <source>零位跟踪配置成功！</source>
        <translation>Zero tracking set!</translation>
    </message>
    <message>
        <source>零位跟踪状态开！</source>
        <translation>Zero tracking is on!</translation>
    </message>
    <message>
        <source>零位跟踪状态关！</source>
        <translation>Zero tracking is off!</translation>
    </message>
    <message>
        <source>设置量程成功！</source>
        <translation>Capacity set!</translation>
    </message>
    <message>
        <source>版本号:</source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>峰鸣器打开！</source>
        <translation>Beeper is on!</translation>
    </message>
    <message>
        <source>峰鸣器关闭！</source>
        <translation>Beeper is off!</translation>
    </message>
    <message>
        <source>设置重力加速度错误！请重试！</source>
        <translation>Setting the gravity failed! Please try again!</translation>
    </message>
    <message>
        <source>打开串口失败，返回值：</source>
        <translation>Opening the port failed, return value: </translation>
    </message>
    <message>
        <source>打开串口成功</source>
        <translation>Port opened</translation>
    </message>
    <message>
        <source>串口关闭！</source>
        <translation>Port closed!</translation>
    </message>
    <message>
        <source>串口已断开，正在等待重新连接…</source>
        <translation>Port disconnected, waiting for it to come back…</translation>
    </message>
    <message>
        <source>串口已重新连接</source>
        <translation>Port reconnected</translation>
    </message>
    <message>
        <source>上电自动归零失败！</source>
        <translation>Automatic zeroing at power-on failed!</translation>
    </message>
    <message>
        <source>设置加速度值！</source>
        <translation>Setting the gravity!</translation>
    </message>
    <message>
        <source>设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？</source>
        <translation>The gravity of the place of use affects the weight shown! Is the gravity you entered correct?</translation>
    </message>
    <message>
        <source>加速度值输入错误！</source>
        <translation>The gravity entered is not valid!</translation>
    </message>
    <message>
        <source>设置重力加速度成功！</source>
        <translation>Gravity set!</translation>
    </message>
    <message>
        <source>标定零点开始！</source>
        <translation>Zero-point calibration started!</translation>
    </message>
    <message>
        <source>请输入任意点重量值</source>
        <translation>Please enter the reference weight</translation>
    </message>
    <message>
        <source>标定任一点开始！</source>
        <translation>Span calibration started!</translation>
    </message>
    <message>
        <source>任意点重量值超出范围！</source>
        <translation>Reference weight out of range!</translation>
    </message>
    <message>
        <source>请选择相应在分度值</source>
        <translation>Please choose a division</translation>
    </message>
    <message>
        <source>设置分度值开始！</source>
        <translation>Setting the division!</translation>
    </message>
    <message>
        <source>请选择相应量程</source>
        <translation>Please choose a capacity</translation>
    </message>
    <message>
        <source>设置量程开始！</source>
        <translation>Setting the capacity!</translation>
    </message>
    <message>
        <source>设置零点跟踪开始！</source>
        <translation>Switching zero tracking on!</translation>
    </message>
    <message>
        <source>关闭零点跟踪开始！</source>
        <translation>Switching zero tracking off!</translation>
    </message>
    <message>
        <source>查询零点跟踪状态开始！</source>
        <translation>Querying zero tracking!</translation>
    </message>
    <message>
        <source>设置峰鸣器打开开始！</source>
        <translation>Switching the beeper on!</translation>
    </message>
    <message>
        <source>关闭峰鸣器开始！</source>
        <translation>Switching the beeper off!</translation>
    </message>
    <message>
        <source>查询峰鸣器状态开始！</source>
        <translation>Querying the beeper!</translation>
    </message>
    <message>
        <source>读版本开始！</source>
        <translation>Reading the version!</translation>
    </message>
    <message>
        <source>错误！</source>
        <translation>Wrong code!</translation>
    </message>
    <message>
        <source>正在探测串口…</source>
        <translation>Probing the ports…</translation>
    </message>
    <message>
        <source>探测完成，有应答的串口数：</source>
        <translation>Probe done, ports answering: </translation>
    </message>
    <message>
        <source>串口已断开，请重新打开串口！</source>
        <translation>Port disconnected, please open the port again!</translation>
    </message>
    <message>
        <source>设备已出现，但控制器无应答，继续等待…</source>
        <translation>The device is back, but the controller does not answer; still waiting…</translation>
    </message>
    <message>
        <source>，串口被占用</source>
        <translation>: the port is in use by another program</translation>
    </message>
    <message>
        <source>，没有使用串口的权限</source>
        <translation>: no permission to use the port</translation>
    </message>
    <message>
        <source>没有实时重量，不能去皮！</source>
        <translation>No live weight: cannot tare!</translation>
    </message>
    <message>
        <source>没有实时重量，不能取基数值！</source>
        <translation>No live weight: cannot take the base value!</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>，串口服务器拒绝连接</source>
        <translation>: the serial device server refused the connection</translation>
    </message>
    <message>
        <source>，串口服务器无应答</source>
        <translation>: no answer from the serial device server</translation>
    </message>
    <message>
        <source>，串口服务器不接受串口参数</source>
        <translation>: the serial device server did not accept the line settings</translation>
    </message>
</context>
<context>
    <name>TrendChart</name>
    <message>
        <source>趋势</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>时间范围:</source>
        <translation>Time span:</translation>
    </message>
    <message>
        <source>%1分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>显示重量(kg)</source>
        <translation>Displayed weight (kg)</translation>
    </message>
    <message>
        <source>实时AD值</source>
        <translation>Live AD</translation>
    </message>
    <message>
        <source>预警范围</source>
        <translation>Alarm band</translation>
    </message>
    <message>
        <source>预警时刻</source>
        <translation>Alarm moment</translation>
    </message>
    <message>
        <source>重量(kg)</source>
        <translation>Weight (kg)</translation>
    </message>
    <message>
        <source>AD值</source>
        <translation>AD</translation>
    </message>
</context>
<context>
    <name>WeighingPage</name>
    <message>
        <source>显示</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>任意点值:</source>
        <translation>Span weight:</translation>
    </message>
    <message>
        <source>分度数:</source>
        <translation>Division:</translation>
    </message>
    <message>
        <source>皮重:</source>
        <translation>Tare:</translation>
    </message>
    <message>
        <source>串口号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>去皮</source>
        <translation>Tare</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>开始采样</source>
        <translation>Start sampling</translation>
    </message>
    <message>
        <source>AD检测区</source>
        <translation>AD drift monitor</translation>
    </message>
    <message>
        <source>开始AD值：</source>
        <translation>Start AD:</translation>
    </message>
    <message>
        <source>实时AD值：</source>
        <translation>Live AD:</translation>
    </message>
    <message>
        <source>差异AD值：</source>
        <translation>AD difference:</translation>
    </message>
    <message>
        <source>预估差值：</source>
        <translation>Estimated drift:</translation>
    </message>
    <message>
        <source>开始时间：</source>
        <translation>Started at:</translation>
    </message>
    <message>
        <source>运行时长：</source>
        <translation>Running (min):</translation>
    </message>
    <message>
        <source>预警时间：</source>
        <translation>Alarm at:</translation>
    </message>
    <message>
        <source>预警时长：</source>
        <translation>Alarm after (min):</translation>
    </message>
    <message>
        <source>开始取样</source>
        <translation>Start sampling</translation>
    </message>
    <message>
        <source>停止取样</source>
        <translation>Stop sampling</translation>
    </message>
    <message>
        <source>探测</source>
        <translation>Probe</translation>
    </message>
    <message>
        <source>串口，或串口服务器上的端口：rfc2217://主机:端口 或 socket://主机:端口</source>
        <translation>A serial port, or a port of a serial device server: rfc2217://host:port or socket://host:port</translation>
    </message>
</context>
</TS>
