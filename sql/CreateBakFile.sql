-- Dumpwarden: the server side. Creates, in the database to be backed up,
--   * the stored procedure dbo.CreateBakFile @DB, @ToDir, which the program calls at each backup time,
--   * a SQL Server login and its user with no more rights than a backup needs: membership of
--     db_backupoperator in that database and EXECUTE on the procedure.
-- For Microsoft SQL Server 2008 and later, Express editions included.
--
-- Run it as a sysadmin with sqlcmd (or in SQL Server Management Studio with Query > SQLCMD Mode),
-- after setting the three names below or giving them on the command line:
--   sqlcmd -S .\SQLEXPRESS -E -i CreateBakFile.sql -v DatabaseName="QEL" LoginName="dumpwarden" Password="..."
-- The password goes into a string literal: double any single quote it contains.
-- Running the script again replaces the procedure and keeps an existing login and user.

:setvar DatabaseName "QEL"
:setvar LoginName "dumpwarden"
:setvar Password "Change-this-password-1"
:on error exit

SET NOCOUNT ON;
GO

USE [$(DatabaseName)];
GO

IF OBJECT_ID(N'dbo.CreateBakFile', N'P') IS NOT NULL
    DROP PROCEDURE dbo.CreateBakFile;
GO

-- Writes a full backup of @DB into the folder @ToDir (as the server's service sees it) and returns
-- the bare file name as the only column (FileName) of one row:
--   <database>_<yyyymmdd>_<hhmmss>.bak   (server local time; characters other than ASCII letters,
--                                         digits, "_" and "-" in the name become "_")
-- An existing file is never overwritten: the next free name <...>_2.bak, <...>_3.bak ... is taken,
-- and the backup appends (NOINIT) rather than replaces even if a file appears meanwhile.
-- A failed backup returns no row; the client gets the server's own errors (3201, 3013 ...).
CREATE PROCEDURE dbo.CreateBakFile
    @DB nvarchar(50),
    @ToDir nvarchar(250)
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT OFF;  -- a failed BACKUP must reach the check below, not end the batch

    DECLARE @Database sysname;
    DECLARE @Stem nvarchar(128);
    DECLARE @Dir nvarchar(260);
    DECLARE @FileName nvarchar(260);
    DECLARE @Path nvarchar(520);
    DECLARE @Now datetime;
    DECLARE @i int;
    DECLARE @c nchar(1);
    DECLARE @Attempt int;
    DECLARE @Exists int;
    DECLARE @Sql nvarchar(max);
    DECLARE @Result int;
    DECLARE @Error int;
    DECLARE @Probe TABLE (FileExists int, IsDirectory int, ParentExists int);

    IF @DB IS NULL
    BEGIN
        RAISERROR(N'CreateBakFile: @DB must not be NULL.', 16, 1);
        RETURN 1;
    END;
    IF @ToDir IS NULL
    BEGIN
        RAISERROR(N'CreateBakFile: @ToDir must not be NULL.', 16, 1);
        RETURN 1;
    END;

    SELECT @Database = name FROM sys.databases WHERE name = @DB;
    IF @Database IS NULL
    BEGIN
        RAISERROR(N'Database ''%s'' does not exist. Make sure that the name is entered correctly.', 16, 1, @DB);
        RETURN 1;
    END;

    SET @Dir = LTRIM(RTRIM(@ToDir));
    IF @Dir = N''
    BEGIN
        RAISERROR(N'CreateBakFile: @ToDir must not be empty.', 16, 1);
        RETURN 1;
    END;
    IF RIGHT(@Dir, 1) NOT IN (N'\', N'/')
        SET @Dir = @Dir + N'\';

    -- The name part of the file: the database's own spelling, file-name safe, at most 100 characters.
    SET @Stem = N'';
    SET @i = 1;
    WHILE @i <= LEN(@Database) AND @i <= 100
    BEGIN
        SET @c = SUBSTRING(@Database, @i, 1);
        SET @Stem = @Stem + CASE WHEN @c COLLATE Latin1_General_BIN LIKE N'[A-Za-z0-9_-]' THEN @c ELSE N'_' END;
        SET @i = @i + 1;
    END;

    -- One reading of the clock for both parts of the time stamp.
    SET @Now = GETDATE();
    SET @Stem = @Stem + N'_' + CONVERT(nchar(8), @Now, 112) + N'_' + REPLACE(CONVERT(nchar(8), @Now, 108), N':', N'');

    SET @Attempt = 1;
    WHILE 1 = 1
    BEGIN
        SET @FileName = @Stem + CASE WHEN @Attempt = 1 THEN N'' ELSE N'_' + CAST(@Attempt AS nvarchar(10)) END + N'.bak';
        SET @Path = @Dir + @FileName;
        SET @Exists = 0;
        -- xp_fileexist needs EXECUTE in master; without it NOINIT alone keeps an existing file.
        BEGIN TRY
            DELETE FROM @Probe;
            INSERT INTO @Probe EXEC master.dbo.xp_fileexist @Path;
            SELECT @Exists = FileExists FROM @Probe;
        END TRY
        BEGIN CATCH
            SET @Exists = 0;
        END CATCH;
        IF @Exists = 0
            BREAK;
        SET @Attempt = @Attempt + 1;
        IF @Attempt > 100
        BEGIN
            RAISERROR(N'CreateBakFile: the backup files %s and 99 more exist already in %s.', 16, 1, @Stem, @Dir);
            RETURN 1;
        END;
    END;

    SET @Sql = N'BACKUP DATABASE ' + QUOTENAME(@Database) +
               N' TO DISK = @Path WITH CHECKSUM, NOINIT, NOFORMAT, NAME = @Name;';
    EXEC @Result = sp_executesql @Sql, N'@Path nvarchar(520), @Name nvarchar(128)',
                                 @Path = @Path, @Name = @FileName;
    SET @Error = @@ERROR;
    -- The server's own errors (for example 3201 "Cannot open backup device ..." and 3013) have
    -- already gone to the client; no file name follows them.
    IF @Result <> 0 OR @Error <> 0
        RETURN 1;

    SELECT @FileName AS FileName;
    RETURN 0;
END;
GO

-- The login and its user: a backup operator of this database and nothing more.
USE master;
GO
IF SUSER_ID(N'$(LoginName)') IS NULL
    CREATE LOGIN [$(LoginName)] WITH PASSWORD = N'$(Password)', DEFAULT_DATABASE = [$(DatabaseName)],
        CHECK_POLICY = ON, CHECK_EXPIRATION = OFF;
GO

USE [$(DatabaseName)];
GO
IF DATABASE_PRINCIPAL_ID(N'$(LoginName)') IS NULL
    CREATE USER [$(LoginName)] FOR LOGIN [$(LoginName)];
GO
-- sp_addrolemember: ALTER ROLE ... ADD MEMBER exists only from 2012 on.
EXEC sp_addrolemember N'db_backupoperator', N'$(LoginName)';
GRANT EXECUTE ON OBJECT::dbo.CreateBakFile TO [$(LoginName)];
GO
