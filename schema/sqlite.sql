-- The sample host database for sqlite.
-- Generated from host-tables.txt by gen_schema.py: edit that file, not this one.

CREATE TABLE bi_Bill (
  BillID TEXT NOT NULL PRIMARY KEY,
  BillIDEx TEXT,
  ShiftID TEXT,
  BillDate DATETIME,
  BranchID TEXT,
  BranchName TEXT,
  TableID TEXT,
  TableName TEXT,
  Persons INTEGER,
  OpenTime DATETIME,
  CheckTime DATETIME,
  CashierID TEXT,
  CashierName TEXT,
  SumOfConsume NUMERIC(18,4),
  SumOfService NUMERIC(18,4),
  SumForDiscount NUMERIC(18,4),
  SumPaid NUMERIC(18,4),
  Remark TEXT,
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE bi_BillPayment (
  BillPaymentID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  SubjectID TEXT,
  SubjectName TEXT,
  ExchangeRate NUMERIC(18,4),
  PaySum NUMERIC(18,4),
  SumPaid NUMERIC(18,4),
  PayTime DATETIME,
  Remark TEXT
);
CREATE TABLE bi_BillItem (
  BillItemID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  MenuID TEXT,
  MenuName TEXT,
  MenuUnitID TEXT,
  MenuUnitName TEXT,
  MenuTypeID TEXT,
  MenuTypeName TEXT,
  DepartTypeID TEXT,
  DepartTypeName TEXT,
  DepartID TEXT,
  DepartName TEXT,
  Price NUMERIC(18,4),
  AmountOrder NUMERIC(18,4),
  AmountCancel NUMERIC(18,4),
  SumOfConsume NUMERIC(18,4),
  SumOfService NUMERIC(18,4),
  SumForDiscount NUMERIC(18,4),
  OrderTime DATETIME,
  Remark TEXT
);
CREATE TABLE bi_SubBill (
  SubBillID TEXT NOT NULL PRIMARY KEY,
  BillItemID TEXT,
  SubBillNo INTEGER,
  Amount NUMERIC(18,4),
  SumOfConsume NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE bi_SubItem (
  SubItemID TEXT NOT NULL PRIMARY KEY,
  BillItemID TEXT,
  CookwayID TEXT,
  CookwayName TEXT,
  Price NUMERIC(18,4)
);
CREATE TABLE bi_BillLog (
  BillLogID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  LogTime DATETIME,
  UserID TEXT,
  Operation TEXT,
  Remark TEXT
);
CREATE TABLE bi_UnCheckBill (
  UnCheckBillID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  ShiftID TEXT,
  BillDate DATETIME,
  UnCheckTime DATETIME,
  UserID TEXT,
  Reason TEXT,
  SumOfConsume NUMERIC(18,4),
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE bi_UnCheckBillPayment (
  UnCheckBillPaymentID TEXT NOT NULL PRIMARY KEY,
  UnCheckBillID TEXT,
  BillID TEXT,
  SubjectID TEXT,
  SubjectName TEXT,
  PaySum NUMERIC(18,4)
);
CREATE TABLE bi_UnCheckBillItem (
  UnCheckBillItemID TEXT NOT NULL PRIMARY KEY,
  UnCheckBillID TEXT,
  BillID TEXT,
  BillItemID TEXT,
  MenuID TEXT,
  MenuName TEXT,
  AmountOrder NUMERIC(18,4),
  SumOfConsume NUMERIC(18,4)
);
CREATE TABLE bi_OctopusPayment (
  BillID TEXT,
  CardID TEXT,
  DeviceID TEXT,
  BillDate DATETIME,
  TransTime DATETIME,
  TransNo TEXT,
  Amount NUMERIC(18,4),
  RemainValue NUMERIC(18,4),
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE bi_Shift (
  ShiftID TEXT NOT NULL PRIMARY KEY,
  ShiftDate DATETIME,
  BeginTime DATETIME,
  EndTime DATETIME,
  UserID TEXT,
  UserName TEXT,
  CashBegin NUMERIC(18,4),
  CashEnd NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE bi_ShiftSum (
  ShiftSumID TEXT NOT NULL PRIMARY KEY,
  ShiftID TEXT,
  SubjectID TEXT,
  SubjectName TEXT,
  SumPaid NUMERIC(18,4),
  SumCounted NUMERIC(18,4)
);
CREATE TABLE bi_ShiftLog (
  ShiftLogID TEXT NOT NULL PRIMARY KEY,
  ShiftID TEXT,
  LogTime DATETIME,
  UserID TEXT,
  Amount NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE bi_TempBill (
  BillID TEXT NOT NULL PRIMARY KEY,
  BillIDEx TEXT,
  ShiftID TEXT,
  BillDate DATETIME,
  BranchID TEXT,
  BranchName TEXT,
  TableID TEXT,
  TableName TEXT,
  Persons INTEGER,
  OpenTime DATETIME,
  CheckTime DATETIME,
  CashierID TEXT,
  CashierName TEXT,
  SumOfConsume NUMERIC(18,4),
  SumOfService NUMERIC(18,4),
  SumForDiscount NUMERIC(18,4),
  SumPaid NUMERIC(18,4),
  Remark TEXT,
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE bi_TempBillPayment (
  BillPaymentID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  SubjectID TEXT,
  SubjectName TEXT,
  ExchangeRate NUMERIC(18,4),
  PaySum NUMERIC(18,4),
  SumPaid NUMERIC(18,4),
  PayTime DATETIME,
  Remark TEXT
);
CREATE TABLE bi_TempBillItem (
  BillItemID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  MenuID TEXT,
  MenuName TEXT,
  MenuUnitID TEXT,
  MenuUnitName TEXT,
  MenuTypeID TEXT,
  MenuTypeName TEXT,
  DepartTypeID TEXT,
  DepartTypeName TEXT,
  DepartID TEXT,
  DepartName TEXT,
  Price NUMERIC(18,4),
  AmountOrder NUMERIC(18,4),
  AmountCancel NUMERIC(18,4),
  SumOfConsume NUMERIC(18,4),
  SumOfService NUMERIC(18,4),
  SumForDiscount NUMERIC(18,4),
  OrderTime DATETIME,
  Remark TEXT
);
CREATE TABLE bi_TempSubBill (
  SubBillID TEXT NOT NULL PRIMARY KEY,
  BillItemID TEXT,
  SubBillNo INTEGER,
  Amount NUMERIC(18,4),
  SumOfConsume NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE bi_TempSubItem (
  SubItemID TEXT NOT NULL PRIMARY KEY,
  BillItemID TEXT,
  CookwayID TEXT,
  CookwayName TEXT,
  Price NUMERIC(18,4)
);
CREATE TABLE bi_TempBillLog (
  BillLogID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  LogTime DATETIME,
  UserID TEXT,
  Operation TEXT,
  Remark TEXT
);
CREATE TABLE prn_PrintJob (
  PrintJobID TEXT NOT NULL PRIMARY KEY,
  BillID TEXT,
  PrinterID TEXT,
  CreateTime DATETIME,
  JobState INTEGER,
  Content TEXT
);
CREATE TABLE prn_PrintJobItem (
  PrintJobItemID TEXT NOT NULL PRIMARY KEY,
  PrintJobID TEXT,
  BillItemID TEXT,
  MenuName TEXT,
  Amount NUMERIC(18,4)
);
CREATE TABLE prn_Printer (
  PrinterID TEXT NOT NULL PRIMARY KEY,
  PrinterName TEXT,
  DeviceName TEXT,
  Remark TEXT
);
CREATE TABLE prn_PrinterList (
  PrinterListID TEXT NOT NULL PRIMARY KEY,
  PrinterID TEXT,
  Remark TEXT
);
CREATE TABLE prn_PrinterList_Department (
  PrinterListID TEXT,
  DepartID TEXT
);
CREATE TABLE prn_PrinterList_Place (
  PrinterListID TEXT,
  PlaceID TEXT
);
CREATE TABLE prn_PrinterQueue (
  PrinterQueueID TEXT NOT NULL PRIMARY KEY,
  PrinterQueueName TEXT,
  Remark TEXT
);
CREATE TABLE prn_Setting (
  SettingID TEXT NOT NULL PRIMARY KEY,
  SettingName TEXT,
  SettingValue TEXT
);
CREATE TABLE st_Bill (
  BillID TEXT NOT NULL PRIMARY KEY,
  BillIDEx TEXT,
  BillTypeID TEXT,
  StockName TEXT,
  "From" TEXT,
  "Into" TEXT,
  Summary TEXT,
  InOutFlag INTEGER,
  TotalQty NUMERIC(18,4),
  TotalSum NUMERIC(18,4),
  ReferFlag INTEGER,
  ReferBillID TEXT,
  BillYear INTEGER,
  BillMonth INTEGER,
  BillDay INTEGER,
  BillDate DATETIME,
  CreatePerson TEXT,
  CreateTime DATETIME,
  Audited BOOLEAN,
  AuditPerson TEXT,
  AuditTime DATETIME,
  Archived BOOLEAN,
  ArchivePerson TEXT,
  ArchiveTime DATETIME,
  Deleted BOOLEAN,
  DeletePerson TEXT,
  DeleteTime DATETIME,
  Uploaded BOOLEAN,
  UploadPerson TEXT,
  UploadTime DATETIME,
  Remark TEXT
);
CREATE TABLE st_BillItem (
  BillID TEXT,
  RowNum INTEGER,
  ItemID TEXT,
  ItemName TEXT,
  Spec TEXT,
  ItemTypeID TEXT,
  ItemTypeName TEXT,
  StockType TEXT,
  Unit TEXT,
  UnitPrice NUMERIC(18,4),
  TotalQty NUMERIC(18,4),
  TotalSum NUMERIC(18,4),
  BalanceQty NUMERIC(18,4),
  BalanceSum NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE st_StockItem (
  ItemID TEXT NOT NULL PRIMARY KEY,
  ItemName TEXT,
  Unit TEXT,
  Spec TEXT,
  ItemTypeID TEXT,
  ItemTypeName TEXT,
  Price NUMERIC(18,4)
);
CREATE TABLE st_BillItem_ByDepartment (
  BillDate DATETIME,
  ItemID TEXT,
  DepartmentID TEXT,
  DepartmentName TEXT,
  theQty NUMERIC(18,4)
);
CREATE TABLE st_Inventory_Full (
  ItemID TEXT NOT NULL PRIMARY KEY,
  ItemName TEXT,
  Unit TEXT,
  Spec TEXT,
  ItemTypeID TEXT,
  ItemTypeName TEXT,
  LocationID TEXT,
  Qty NUMERIC(18,4),
  Amount NUMERIC(18,4),
  LastInTime DATETIME
);
CREATE TABLE st_BOM (
  BillDate DATETIME,
  BranchID TEXT,
  BranchName TEXT,
  ItemID TEXT,
  ItemName TEXT,
  Unit TEXT,
  Spec TEXT,
  ItemTypeID TEXT,
  ItemTypeName TEXT,
  QtyUse NUMERIC(18,4),
  QtyBom NUMERIC(18,4)
);
CREATE TABLE st_Location (
  LocationID TEXT NOT NULL PRIMARY KEY,
  LocationName TEXT,
  Remark TEXT
);
CREATE TABLE st_Department (
  DepartmentID TEXT NOT NULL PRIMARY KEY,
  DepartmentName TEXT,
  Remark TEXT
);
CREATE TABLE st_ItemType (
  ItemTypeID TEXT NOT NULL PRIMARY KEY,
  ItemTypeName TEXT,
  Remark TEXT
);
CREATE TABLE st_Item (
  ItemID TEXT NOT NULL PRIMARY KEY,
  ItemName TEXT,
  ItemTypeID TEXT,
  Unit TEXT,
  Spec TEXT,
  Price NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE st_ItemUnit (
  ItemID TEXT,
  Unit TEXT,
  Ratio NUMERIC(18,4)
);
CREATE TABLE dd_SupplierType (
  SupplierTypeID TEXT NOT NULL PRIMARY KEY,
  SupplierTypeName TEXT
);
CREATE TABLE dd_Supplier (
  SupplierID TEXT NOT NULL PRIMARY KEY,
  SupplierName TEXT,
  SupplierTypeID TEXT,
  Phone TEXT,
  Address TEXT
);
CREATE TABLE rp_BillItem_Upload (
  MenuID TEXT,
  MenuName TEXT,
  MenuUnitID TEXT,
  MenuUnitName TEXT,
  MenuTypeID TEXT,
  MenuTypeName TEXT,
  DepartTypeID TEXT,
  DepartTypeName TEXT,
  DepartID TEXT,
  DepartName TEXT,
  theAmount NUMERIC(18,4),
  theConsume NUMERIC(18,4),
  theService NUMERIC(18,4),
  theDiscount NUMERIC(18,4),
  BranchID TEXT,
  BranchName TEXT,
  BillDate DATETIME
);
CREATE TABLE rp_BillPayment_Upload (
  SubjectID TEXT,
  SubjectName TEXT,
  ExchangeRate NUMERIC(18,4),
  thePaySum NUMERIC(18,4),
  theSumPaid NUMERIC(18,4),
  BranchID TEXT,
  BranchName TEXT,
  BillDate DATETIME
);
CREATE TABLE rp_Inventory_Upload (
  ItemID TEXT,
  ItemName TEXT,
  Unit TEXT,
  Spec TEXT,
  ItemTypeID TEXT,
  ItemTypeName TEXT,
  LocationID TEXT,
  Qty NUMERIC(18,4),
  Amount NUMERIC(18,4),
  LastInTime DATETIME,
  BranchID TEXT,
  BranchName TEXT
);
CREATE TABLE mb_Member (
  MemberID TEXT NOT NULL PRIMARY KEY,
  MemberName TEXT,
  Sex TEXT,
  Birthday DATETIME,
  MobileNumber TEXT,
  MemberTypeID TEXT,
  JoinDate DATETIME,
  Remark TEXT,
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE mb_MemberCard (
  MemberCardID TEXT NOT NULL PRIMARY KEY,
  MemberID TEXT,
  IssueDate DATETIME,
  ExpireDate DATETIME,
  Balance NUMERIC(18,4),
  IntegralSum NUMERIC(18,4),
  CardState INTEGER,
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE mb_Consume (
  ConsumeID TEXT NOT NULL PRIMARY KEY,
  MemberID TEXT,
  MemberCardID TEXT,
  BillID TEXT,
  ConsumeTime DATETIME,
  ConsumeSum NUMERIC(18,4),
  Integral NUMERIC(18,4),
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE mb_Summary (
  SummaryID TEXT NOT NULL PRIMARY KEY,
  MemberID TEXT,
  MemberCardID TEXT,
  OperateType TEXT,
  OperateTime DATETIME,
  Amount NUMERIC(18,4),
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE mb_GiftSend (
  GiftSendID TEXT NOT NULL PRIMARY KEY,
  MemberID TEXT,
  MemberCardID TEXT,
  GiftID TEXT,
  Quantity INTEGER,
  IntegralUsed NUMERIC(18,4),
  SendTime DATETIME,
  IsUploaded INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE mb_Gift (
  GiftID TEXT NOT NULL PRIMARY KEY,
  GiftName TEXT,
  Integral NUMERIC(18,4)
);
CREATE TABLE mb_MemberType (
  MemberTypeID TEXT NOT NULL PRIMARY KEY,
  MemberTypeName TEXT,
  DiscountRate NUMERIC(18,4)
);
CREATE TABLE mb_MemberInfo (
  MemberCardID TEXT NOT NULL PRIMARY KEY,
  MemberID TEXT,
  MemberName TEXT,
  MemberTypeName TEXT,
  MobileNumber TEXT,
  ConsumeSum NUMERIC(18,4),
  IntegralSum NUMERIC(18,4)
);
CREATE TABLE pv_UserGroup (
  UserGroupID TEXT NOT NULL PRIMARY KEY,
  UserGroupName TEXT,
  Remark TEXT
);
CREATE TABLE pv_User (
  UserID TEXT NOT NULL PRIMARY KEY,
  UserName TEXT,
  UserGroupID TEXT,
  PasswordHash TEXT,
  Disabled BOOLEAN,
  Remark TEXT
);
CREATE TABLE pv_Privilege (
  UserGroupID TEXT,
  PrivilegeID INTEGER,
  Remark TEXT
);
CREATE TABLE pv_DiscountPV (
  UserGroupID TEXT,
  DiscountID TEXT
);
CREATE TABLE pv_SentMenuPV (
  UserGroupID TEXT,
  SentTypeID TEXT
);
CREATE TABLE pv_CancelMenuPV (
  UserGroupID TEXT,
  CancelTypeID TEXT
);
CREATE TABLE dd_Branch (
  BranchID TEXT NOT NULL PRIMARY KEY,
  BranchName TEXT,
  Address TEXT,
  Phone TEXT
);
CREATE TABLE sys_WorkStation (
  WorkStationID TEXT NOT NULL PRIMARY KEY,
  WorkStationName TEXT,
  Remark TEXT
);
CREATE TABLE dd_Discount (
  DiscountID TEXT NOT NULL PRIMARY KEY,
  DiscountName TEXT,
  DiscountRate NUMERIC(18,4)
);
CREATE TABLE dd_DiscountItem (
  DiscountID TEXT,
  MenuTypeID TEXT,
  DiscountRate NUMERIC(18,4)
);
CREATE TABLE dd_Period (
  PeriodID TEXT NOT NULL PRIMARY KEY,
  PeriodName TEXT,
  BeginTime TEXT,
  EndTime TEXT
);
CREATE TABLE dd_Reason (
  ReasonID TEXT NOT NULL PRIMARY KEY,
  ReasonName TEXT
);
CREATE TABLE dd_Subject (
  SubjectID TEXT NOT NULL PRIMARY KEY,
  SubjectName TEXT,
  SubjectTypeID TEXT,
  ExchangeRate NUMERIC(18,4)
);
CREATE TABLE dd_SubjectType (
  SubjectTypeID TEXT NOT NULL PRIMARY KEY,
  SubjectTypeName TEXT
);
CREATE TABLE ac_Account (
  AccountID TEXT NOT NULL PRIMARY KEY,
  AccountName TEXT,
  AccountTypeID TEXT,
  Balance NUMERIC(18,4)
);
CREATE TABLE ac_AccountType (
  AccountTypeID TEXT NOT NULL PRIMARY KEY,
  AccountTypeName TEXT
);
CREATE TABLE mn_Menu (
  MenuID TEXT NOT NULL PRIMARY KEY,
  MenuName TEXT,
  MenuTypeID TEXT,
  MenuUnitID TEXT,
  DepartID TEXT,
  Price NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE mn_MenuType (
  MenuTypeID TEXT NOT NULL PRIMARY KEY,
  MenuTypeName TEXT
);
CREATE TABLE mn_MenuUnit (
  MenuUnitID TEXT NOT NULL PRIMARY KEY,
  MenuUnitName TEXT
);
CREATE TABLE mn_Depart (
  DepartID TEXT NOT NULL PRIMARY KEY,
  DepartName TEXT,
  DepartTypeID TEXT
);
CREATE TABLE mn_DepartType (
  DepartTypeID TEXT NOT NULL PRIMARY KEY,
  DepartTypeName TEXT
);
CREATE TABLE mn_BOM (
  MenuID TEXT,
  ItemID TEXT,
  UseAmount NUMERIC(18,4),
  Remark TEXT
);
CREATE TABLE mn_SentType (
  SentTypeID TEXT NOT NULL PRIMARY KEY,
  SentTypeName TEXT
);
CREATE TABLE mn_SentMenu (
  SentTypeID TEXT,
  MenuID TEXT
);
CREATE TABLE mn_CancelType (
  CancelTypeID TEXT NOT NULL PRIMARY KEY,
  CancelTypeName TEXT
);
CREATE TABLE mn_CancelMenu (
  CancelTypeID TEXT,
  MenuID TEXT
);
CREATE TABLE mn_CookwayType (
  CookwayID TEXT NOT NULL PRIMARY KEY,
  CookwayName TEXT,
  Price NUMERIC(18,4)
);
CREATE TABLE mn_CookwaySet (
  CookwaySetID TEXT NOT NULL PRIMARY KEY,
  CookwayID TEXT,
  MenuID TEXT
);
CREATE TABLE mn_Depart_Area (
  DepartID TEXT,
  TableAreaID TEXT
);
CREATE TABLE mn_Depart_Place (
  DepartID TEXT,
  PlaceID TEXT
);
CREATE TABLE mn_MenuPart (
  MenuPartID TEXT NOT NULL PRIMARY KEY,
  MenuPartName TEXT
);
CREATE TABLE mn_MenuSet (
  MenuSetID TEXT,
  MenuID TEXT,
  Amount NUMERIC(18,4)
);
CREATE TABLE mn_Place (
  PlaceID TEXT NOT NULL PRIMARY KEY,
  PlaceName TEXT
);
CREATE TABLE mn_Request (
  RequestID TEXT NOT NULL PRIMARY KEY,
  RequestName TEXT,
  RequestTypeID TEXT
);
CREATE TABLE mn_RequestType (
  RequestTypeID TEXT NOT NULL PRIMARY KEY,
  RequestTypeName TEXT
);
CREATE TABLE mn_TasteType (
  TasteTypeID TEXT NOT NULL PRIMARY KEY,
  TasteTypeName TEXT
);
CREATE TABLE mn_SpecailMenu (
  MenuID TEXT,
  SpecailTypeID TEXT,
  Price NUMERIC(18,4)
);
CREATE TABLE mn_SpecailType (
  SpecailTypeID TEXT NOT NULL PRIMARY KEY,
  SpecailTypeName TEXT
);
CREATE TABLE mn_MenuPrice (
  MenuPriceID TEXT NOT NULL PRIMARY KEY,
  MenuPriceName TEXT,
  BeginDate DATETIME,
  EndDate DATETIME
);
CREATE TABLE mn_MenuPriceItem (
  MenuPriceID TEXT,
  MenuID TEXT,
  Price NUMERIC(18,4)
);
CREATE TABLE tb_Table (
  TableID TEXT NOT NULL PRIMARY KEY,
  TableName TEXT,
  TableAreaID TEXT,
  TableTypeID TEXT,
  Seats INTEGER,
  TableState INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE tb_TableArea (
  TableAreaID TEXT NOT NULL PRIMARY KEY,
  TableAreaName TEXT
);
CREATE TABLE tb_TableType (
  TableTypeID TEXT NOT NULL PRIMARY KEY,
  TableTypeName TEXT
);
CREATE TABLE tb_TableMenu (
  TableTypeID TEXT,
  MenuID TEXT,
  Amount NUMERIC(18,4)
);
CREATE TABLE tb_BookType (
  BookTypeID TEXT NOT NULL PRIMARY KEY,
  BookTypeName TEXT
);

CREATE INDEX ix_bi_BillPayment_BillID ON bi_BillPayment (BillID);
CREATE INDEX ix_bi_BillItem_BillID ON bi_BillItem (BillID);
CREATE INDEX ix_bi_SubBill_BillItemID ON bi_SubBill (BillItemID);
CREATE INDEX ix_bi_SubItem_BillItemID ON bi_SubItem (BillItemID);
CREATE INDEX ix_bi_BillLog_BillID ON bi_BillLog (BillID);
CREATE INDEX ix_bi_ShiftSum_ShiftID ON bi_ShiftSum (ShiftID);
CREATE INDEX ix_bi_ShiftLog_ShiftID ON bi_ShiftLog (ShiftID);
CREATE INDEX ix_st_BillItem_BillID ON st_BillItem (BillID);
