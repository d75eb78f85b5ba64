<?xml version="1.0" encoding="GBK"?>
<!-- 废旧物资发票清单打印清单（采集类型 DLZK，98 打印设置） -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="PrintList.xsl"/>
  <xsl:param name="list" select="'all'"/>
  <xsl:param name="margin" select="'15mm 12mm 16mm 12mm'"/>
</xsl:stylesheet>
